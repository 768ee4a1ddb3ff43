#include "Controls.h"
#include "Exception.h"
#include "FakeDialogs.h"
#include "Forms.h"
#include "TestMain.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QTextEdit>
#include <QTimer>

namespace {
QStringList* gLog = nullptr;
void Log(const QString& s)
{
    if (gLog)
        *gLog << s;
}

// A button as the widgets build one: answers Enter when focused (or when it
// is the default and no other button has the focus), Escape when Cancel,
// and its caption's accelerator.
class KeyButton : public TCustomControl {
public:
    KeyButton(TComponent* owner, QWidget* parent, const QString& name) : TCustomControl(owner, parent)
    {
        SetName(name);
        SetTabStop(true);
        SetBounds(0, 0, 40, 20);
        OnEnter = [this](TObject*) { Log(QStringLiteral("enter ") + Name()); };
        OnExit = [this](TObject*) { Log(QStringLiteral("exit ") + Name()); };
    }
    bool isDefault = false;
    bool isCancel = false;
    bool answersEnter = false;
    QWidget* lastFocused = nullptr;
    int focusNotes = 0;

    unsigned GetDlgCode() const override { return DLGC_BUTTON; }
    bool CMDialogKey(TKey key, TShiftState shift) override
    {
        Log(QStringLiteral("key? ") + Name());
        if (((key == Qt::Key_Return && answersEnter) || (key == Qt::Key_Escape && isCancel)) &&
            !(shift & (ssShift | ssCtrl | ssAlt)) && CanFocus()) {
            Log(QStringLiteral("click ") + Name());
            return true;
        }
        return TCustomControl::CMDialogKey(key, shift);
    }
    bool CMDialogChar(QChar ch, TShiftState shift) override
    {
        if (IsAccel(ch, Caption()) && CanFocus()) {
            Log(QStringLiteral("accel ") + Name());
            return true;
        }
        return TCustomControl::CMDialogChar(ch, shift);
    }
    void CMFocusChanged(QWidget* focused) override
    {
        ++focusNotes;
        lastFocused = focused;
        answersEnter = dynamic_cast<KeyButton*>(focused) ? focused == this : isDefault;
    }
};

// A container that switches pages on Ctrl+Tab while the focus is inside it.
class PageHolder : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    bool CMDialogKey(TKey key, TShiftState shift) override
    {
        if (TCustomControl::CMDialogKey(key, shift))
            return true;
        TCustomForm* form = GetParentForm(this);
        QWidget* active = form ? form->ActiveControl() : nullptr;
        if (key == Qt::Key_Tab && (shift & ssCtrl) && active && (active == this || isAncestorOf(active))) {
            Log(shift & ssShift ? QStringLiteral("previous page") : QStringLiteral("next page"));
            return true;
        }
        return false;
    }
};

class Panel : public TCustomControl {
public:
    Panel(TComponent* owner, QWidget* parent, const QString& name) : TCustomControl(owner, parent)
    {
        SetName(name);
        OnEnter = [this](TObject*) { Log(QStringLiteral("enter ") + Name()); };
        OnExit = [this](TObject*) { Log(QStringLiteral("exit ") + Name()); };
    }
};

// A sheet that records the show requests of its children and its window
// creation, and handles tabs itself when asked to.
class Sheet : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    QList<QWidget*> showRequests;
    int created = 0;
    bool wantTabs = false;
    int tabs = 0;
    void ShowControl(QWidget* control) override
    {
        showRequests << control;
        TCustomControl::ShowControl(control);
    }
    unsigned GetDlgCode() const override { return wantTabs ? DLGC_WANTTAB : 0u; }

protected:
    void CreateWnd() override { ++created; }
    void KeyDown(TKey& key, TShiftState shift) override
    {
        if (key == Qt::Key_Tab)
            ++tabs;
        TCustomControl::KeyDown(key, shift);
    }
};

class KeyProbe : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    QStringList log;

protected:
    void KeyDown(TKey& key, TShiftState shift) override
    {
        log << QStringLiteral("down %1 %2").arg(key).arg(shift);
        TCustomControl::KeyDown(key, shift);
    }
    void KeyUp(TKey& key, TShiftState shift) override
    {
        log << QStringLiteral("up %1").arg(key);
        TCustomControl::KeyUp(key, shift);
    }
    void KeyPress(QChar& ch) override
    {
        log << QStringLiteral("press ") + ch;
        TCustomControl::KeyPress(ch);
    }
};

void Activate(QWidget* w)
{
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
}
}

class TestForms : public QObject {
    Q_OBJECT
private:
    QStringList log;

private slots:
    void init()
    {
        log.clear();
        gLog = &log;
    }
    void cleanup() { gLog = nullptr; }

    void focusIsBroadcastAndEnterExitFollowTheChain()
    {
        TForm form;
        auto* panel = new Panel(&form, &form, QStringLiteral("panel"));
        panel->SetBounds(0, 0, 100, 100);
        auto* inner = new KeyButton(&form, panel, QStringLiteral("inner"));
        auto* outer = new KeyButton(&form, &form, QStringLiteral("outer"));
        outer->SetLeft(150);
        auto* edit = new QLineEdit(&form);
        edit->setGeometry(150, 50, 60, 20);
        outer->isDefault = true;
        Activate(&form);
        edit->setFocus();
        log.clear();

        inner->SetFocus();
        QVERIFY(inner->Focused());
        QCOMPARE(form.ActiveControl(), inner);
        QCOMPARE(log, (QStringList{QStringLiteral("enter panel"), QStringLiteral("enter inner")}));
        // Every control hears who has the focus now.
        QCOMPARE(inner->lastFocused, inner);
        QCOMPARE(outer->lastFocused, inner);
        QVERIFY(inner->answersEnter);
        QVERIFY(!outer->answersEnter);

        log.clear();
        outer->SetFocus();
        QCOMPARE(log, (QStringList{QStringLiteral("exit inner"), QStringLiteral("exit panel"), QStringLiteral("enter outer")}));

        log.clear();
        const int before = inner->focusNotes;
        edit->setFocus();
        QCOMPARE(form.ActiveControl(), edit);
        QCOMPARE(inner->focusNotes, before + 1);
        QCOMPARE(inner->lastFocused, edit);
        QCOMPARE(log, QStringList{QStringLiteral("exit outer")});
        // With the focus on a non-button the default button answers Enter.
        QVERIFY(outer->answersEnter);
        QVERIFY(!inner->answersEnter);
    }

    void focusRulesForHiddenDisabledAndInactive()
    {
        TForm form;
        auto* panel = new Panel(&form, &form, QStringLiteral("panel"));
        auto* b = new KeyButton(&form, panel, QStringLiteral("b"));
        QVERIFY(!b->CanFocus());   // the form is not shown
        b->SetFocus();             // asks nothing of a control that cannot take it
        QVERIFY(!b->Focused());
        Activate(&form);
        QVERIFY(b->CanFocus());
        panel->SetEnabled(false);
        QVERIFY(!b->CanFocus());
        panel->SetEnabled(true);
        panel->Hide();
        QVERIFY(!b->CanFocus());
        b->SetFocus();
        QVERIFY(!b->Focused());
        panel->Show();

        // In an inactive window the control becomes the form's active
        // control and gets the focus with the window.
        TForm other;
        Activate(&other);
        b->SetFocus();
        QCOMPARE(form.ActiveControl(), b);
        Activate(&form);
        QTRY_VERIFY(b->Focused());

        // Chosen before the form is first shown: focused when it is.
        TForm fresh;
        auto* first = new KeyButton(&fresh, &fresh, QStringLiteral("first"));
        auto* chosen = new KeyButton(&fresh, &fresh, QStringLiteral("chosen"));
        chosen->SetLeft(50);
        fresh.SetActiveControl(chosen);
        Activate(&fresh);
        QTRY_VERIFY(chosen->Focused());
        QVERIFY(!first->Focused());
        fresh.SetActiveControl(nullptr);
        QVERIFY(!chosen->Focused());
        QCOMPARE(fresh.ActiveControl(), nullptr);
    }

    void firstControlShowRequestsAndWindowCreation()
    {
        TForm form;
        auto* sheet = new Sheet(&form, &form);
        sheet->SetBounds(0, 0, 200, 100);
        auto* label = new KeyButton(&form, sheet, QStringLiteral("label"));
        label->SetTabStop(false);
        auto* first = new KeyButton(&form, sheet, QStringLiteral("first"));
        auto* second = new KeyButton(&form, sheet, QStringLiteral("second"));
        second->SetTabOrder(0);   // now before "label" and "first"
        QCOMPARE(second->TabOrder(), 0);
        QCOMPARE(first->TabOrder(), 2);
        QCOMPARE(sheet->created, 0);
        QVERIFY(!sheet->HandleAllocated());
        Activate(&form);
        QCOMPARE(sheet->created, 1);
        QVERIFY(label->HandleAllocated());

        // A control made inside a window already on screen shows (and makes
        // its window) once it is whole.
        auto* late = new Sheet(&form, &form);
        QTRY_COMPARE(late->created, 1);
        QVERIFY(late->isVisible());

        sheet->SelectFirst();
        QVERIFY(second->Focused());
        QCOMPARE(sheet->FindNextControl(second, true, true, false), first);
        QCOMPARE(sheet->FindNextControl(second, true, false, false), label);
        QCOMPARE(sheet->FindNextControl(second, false, true, false), first);   // wraps round
        second->Hide();
        QCOMPARE(sheet->FindNextControl(nullptr, true, true, false), first);

        // A control without TabStop still takes the focus when asked.
        label->SetFocus();
        QVERIFY(label->Focused());

        // Showing a child asks its parents first.
        second->Show();
        QCOMPARE(sheet->showRequests, QList<QWidget*>{second});
        QVERIFY(second->Visible());

        // A control that handles tabs gets Tab as a key instead of Qt's
        // focus movement.
        sheet->SetTabStop(true);
        sheet->wantTabs = true;
        sheet->SetFocus();
        QTest::keyClick(sheet, Qt::Key_Tab);
        QCOMPARE(sheet->tabs, 1);
        QVERIFY(sheet->Focused());
        sheet->wantTabs = false;
        QTest::keyClick(sheet, Qt::Key_Tab);
        QCOMPARE(sheet->tabs, 1);
        QVERIFY(!sheet->Focused());
    }

    void pressOnAnInactiveWindowActivatesItBeforeTheControlActs()
    {
        // A button that follows a press only once it has the focus, as the
        // widgets' buttons and the selected tab do.
        struct PressButton : KeyButton {
            using KeyButton::KeyButton;
            bool focusedAtPress = false;
            void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override
            {
                SetFocus();
                focusedAtPress = Focused();
                KeyButton::MouseDown(button, shift, x, y);
            }
        };
        TForm form;
        auto* button = new PressButton(&form, &form, QStringLiteral("b"));
        Activate(&form);
        TForm other;
        Activate(&other);

        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(button->focusedAtPress);
        QCOMPARE(QApplication::activeWindow(), &form);
    }

    void failingFocusHandlerIsShownAndFocusStillMoves()
    {
        FakeDialogs dialogs;
        TForm form;
        auto* a = new KeyButton(&form, &form, QStringLiteral("a"));
        auto* b = new KeyButton(&form, &form, QStringLiteral("b"));
        b->SetLeft(50);
        Activate(&form);
        a->SetFocus();
        b->OnEnter = [](TObject*) { throw Exception(QStringLiteral("进入失败")); };
        b->SetFocus();
        QVERIFY(b->Focused());
        QCOMPARE(form.ActiveControl(), b);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text, QStringLiteral("进入失败"));
        QCOMPARE(a->lastFocused, b);   // the controls heard of the move all the same
    }

    void enterAndEscapeGoToTheButtons()
    {
        TForm form;
        auto* ok = new KeyButton(&form, &form, QStringLiteral("ok"));
        auto* cancel = new KeyButton(&form, &form, QStringLiteral("cancel"));
        auto* other = new KeyButton(&form, &form, QStringLiteral("other"));
        ok->isDefault = true;
        cancel->isCancel = true;
        cancel->SetLeft(50);
        other->SetLeft(100);
        auto* edit = new QLineEdit(&form);
        edit->setGeometry(0, 50, 60, 20);
        auto* memo = new QTextEdit(&form);
        memo->setGeometry(0, 80, 100, 60);
        Activate(&form);

        edit->setFocus();
        log.clear();
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(log.contains(QStringLiteral("click ok")));
        log.clear();
        QTest::keyClick(edit, Qt::Key_Enter);   // the keypad Enter is Enter too
        QVERIFY(log.contains(QStringLiteral("click ok")));
        log.clear();
        QTest::keyClick(edit, Qt::Key_Escape);
        QCOMPARE(log.filter(QStringLiteral("click")), QStringList{QStringLiteral("click cancel")});
        // Modifiers: the keys still go round, but no button answers.
        log.clear();
        QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClick(edit, Qt::Key_Escape, Qt::ControlModifier);
        QVERIFY(log.filter(QStringLiteral("click")).isEmpty());
        QVERIFY(log.contains(QStringLiteral("key? ok")));

        // A multi-line editor keeps Enter for itself.
        memo->setFocus();
        log.clear();
        QTest::keyClick(memo, Qt::Key_A);
        QTest::keyClick(memo, Qt::Key_Return);
        QVERIFY(log.isEmpty());
        QCOMPARE(memo->toPlainText(), QStringLiteral("a\n"));

        // A focused button is asked first and answers Enter itself.
        other->SetFocus();
        log.clear();
        QTest::keyClick(other, Qt::Key_Return);
        QCOMPARE(log, (QStringList{QStringLiteral("key? other"), QStringLiteral("click other")}));
    }

    void acceleratorCharacters()
    {
        QVERIFY(IsAccel(u's', QStringLiteral("&Save")));
        QVERIFY(IsAccel(u'S', QStringLiteral("&save")));
        QVERIFY(!IsAccel(u'B', QStringLiteral("A&&B")));
        QVERIFY(IsAccel(u'b', QStringLiteral("&a&b")));   // the last marked character counts
        QVERIFY(!IsAccel(u'a', QStringLiteral("&a&b")));
        QVERIFY(!IsAccel(u'x', QStringLiteral("x&")));

        TForm form;
        auto* save = new KeyButton(&form, &form, QStringLiteral("save"));
        save->SetCaption(QStringLiteral("&Save"));
        auto* other = new KeyButton(&form, &form, QStringLiteral("other"));
        other->SetCaption(QStringLiteral("&Other"));
        other->SetLeft(50);
        auto* edit = new QLineEdit(&form);
        edit->setGeometry(0, 50, 60, 20);
        Activate(&form);

        edit->setFocus();
        log.clear();
        QTest::keyClick(edit, Qt::Key_S, Qt::AltModifier);
        QCOMPARE(log.filter(QStringLiteral("accel")), QStringList{QStringLiteral("accel save")});
        QCOMPARE(edit->text(), QString());
        log.clear();
        QTest::keyClick(edit, Qt::Key_S);   // typed into the edit
        QCOMPARE(edit->text(), QStringLiteral("s"));
        QTest::keyClick(edit, Qt::Key_S, Qt::AltModifier | Qt::ControlModifier);   // AltGr: not an accelerator
        QVERIFY(log.filter(QStringLiteral("accel")).isEmpty());

        // A button takes no characters: a plain letter is an accelerator.
        other->SetFocus();
        log.clear();
        QTest::keyClick(other, Qt::Key_S);
        QCOMPARE(log.filter(QStringLiteral("accel")), QStringList{QStringLiteral("accel save")});
        log.clear();
        QTest::keyClick(other, Qt::Key_O, Qt::AltModifier);
        QCOMPARE(log.filter(QStringLiteral("accel")), QStringList{QStringLiteral("accel other")});
        // A disabled button cannot take the focus and ignores its accelerator.
        save->SetEnabled(false);
        log.clear();
        QTest::keyClick(other, Qt::Key_S, Qt::AltModifier);
        QVERIFY(log.filter(QStringLiteral("accel")).isEmpty());
    }

    void ctrlTabReachesThePageControlHoldingTheFocus()
    {
        TForm form;
        form.SetBounds(0, 0, 300, 200);
        auto* pages = new PageHolder(&form, &form);
        pages->SetBounds(0, 0, 200, 150);
        pages->SetTabStop(true);
        auto* memo = new QTextEdit(pages);
        memo->setGeometry(10, 10, 100, 100);
        auto* edit = new QLineEdit(&form);
        edit->setGeometry(210, 10, 60, 20);
        Activate(&form);

        memo->setFocus();
        log.clear();
        QTest::keyClick(memo, Qt::Key_Tab, Qt::ControlModifier);
        QTest::keyClick(memo, Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(memo, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(log, (QStringList{QStringLiteral("next page"), QStringLiteral("previous page"),
                                   QStringLiteral("previous page")}));
        QCOMPARE(memo->toPlainText(), QString());

        // The tab strip itself holding the focus.
        pages->SetFocus();
        log.clear();
        QTest::keyClick(pages, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(log, QStringList{QStringLiteral("next page")});

        // Focus elsewhere: the page control leaves the key alone.
        edit->setFocus();
        log.clear();
        QTest::keyClick(edit, Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(log.isEmpty());
    }

    void arrowsTheControlDoesNotWantMoveTheFocus()
    {
        TForm form;
        auto* a = new KeyButton(&form, &form, QStringLiteral("a"));
        auto* b = new KeyButton(&form, &form, QStringLiteral("b"));
        b->SetLeft(50);
        Activate(&form);
        a->SetFocus();
        QTest::keyClick(a, Qt::Key_Right);
        QVERIFY(b->Focused());
        QTest::keyClick(b, Qt::Key_Right);   // wraps round
        QVERIFY(a->Focused());
        QTest::keyClick(a, Qt::Key_Up);
        QVERIFY(b->Focused());

        // Qt's radio buttons keep their own arrow handling: the one reached
        // is checked.
        auto* r1 = new QRadioButton(QStringLiteral("a"), &form);
        auto* r2 = new QRadioButton(QStringLiteral("b"), &form);
        r1->setGeometry(0, 60, 50, 20);
        r2->setGeometry(0, 80, 50, 20);
        r1->show();
        r2->show();
        r1->setChecked(true);
        r1->setFocus();
        QTest::keyClick(r1, Qt::Key_Down);
        QVERIFY(r2->isChecked());
        QVERIFY(r2->hasFocus());
    }

    void keysReachTheFocusedControl()
    {
        TForm form;
        auto* k = new KeyProbe(&form, &form);
        k->SetBounds(0, 0, 50, 50);
        k->SetTabStop(true);
        Activate(&form);
        k->SetFocus();
        QTest::keyClick(k, Qt::Key_A, Qt::ShiftModifier);
        QCOMPARE(k->log, (QStringList{QStringLiteral("down %1 %2").arg(Qt::Key_Shift).arg(ssShift),
                                      QStringLiteral("down %1 %2").arg(Qt::Key_A).arg(ssShift), QStringLiteral("press a"),
                                      QStringLiteral("up %1").arg(Qt::Key_A), QStringLiteral("up %1").arg(Qt::Key_Shift)}));
        // A handler that clears the key stops the character.
        k->OnKeyDown = [](TObject*, TKey& key, TShiftState) { key = 0; };
        k->log.clear();
        QTest::keyClick(k, Qt::Key_B);
        QVERIFY(!k->log.join(u' ').contains(QStringLiteral("press")));
        // A held key repeats its key-down only.
        k->OnKeyDown = nullptr;
        k->log.clear();
        QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
        QApplication::sendEvent(k, &repeatUp);
        QVERIFY(k->log.isEmpty());
    }

    void modalResultEndsTheModalLoop()
    {
        TForm dialog;
        QTimer::singleShot(0, &dialog, [&] { dialog.SetModalResult(mrOk); });
        QCOMPARE(dialog.ShowModal(), mrOk);
        QVERIFY(!dialog.isVisible());

        bool asked = false;
        dialog.OnCloseQuery = [&](TObject*, bool& canClose) {
            canClose = asked;   // refuse the first time
            asked = true;
        };
        QTimer::singleShot(0, &dialog, [&] {
            dialog.Close();
            QVERIFY(dialog.isVisible());
            dialog.Close();
        });
        QCOMPARE(dialog.ShowModal(), mrCancel);
    }
};

RAVIK_TEST(TestForms)
#include "tst_forms.moc"
