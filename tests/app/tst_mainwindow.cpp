#include "Application.h"
#include "FakeDialogs.h"
#include "PageComposer.h"
#include "PlainText.h"
#include "PreviewBrowser.h"
#include "Shell.h"
#include "TestMain.h"
#include "Unitravik.h"
#include "UserSettings.h"
#include "WorkingDir.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTextEdit>
#include <QWebEngineView>

namespace {
class FakeShell : public TShell {
public:
    FakeShell() { TShell::SetInstance(this); }
    ~FakeShell() override { TShell::SetInstance(nullptr); }
    bool OpenDocument(const QString& path) override
    {
        opened.append(path);
        return true;
    }
    QStringList opened;
};

QByteArray Expected(TShopVersion version, const QString& code)
{
    return EncodePage(ComposePage(PageTemplate(version), code));
}

void ClickTab(TVmPageControl* control, int index)
{
    const TRect tab = control->TabClientRect(index);
    QTest::mouseClick(control, Qt::LeftButton, {}, QPoint((tab.Left + tab.Right) / 2, (tab.Top + tab.Bottom) / 2));
}

int CheckedVersions(const Tfrmravik& w)
{
    return int(w.rb1->isChecked()) + int(w.rb2->isChecked()) + int(w.rb3->isChecked());
}
}

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void startsInItsInitialState()
    {
        WorkingDir dir(true);
        FakeDialogs dialogs;
        Tfrmravik w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        QCOMPARE(w.windowTitle(), QStringLiteral("【Velmaro】淘宝代码编辑器V3.0，天猫、集市店、 基础版代码预览器"));
        QCOMPARE(w.size(), QSize(1116, 591));
        QCOMPARE(w.font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(w.font().pixelSize(), 11);
        QCOMPARE(w.palette().color(QPalette::Window), QColor(240, 240, 240));
        QVERIFY(w.windowFlags() & Qt::WindowMaximizeButtonHint);
        QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);

        QVERIFY(w.rb3->isChecked());
        QVERIFY(!w.rb1->isChecked());
        QVERIFY(!w.rb2->isChecked());
        QCOMPARE(w.ShopVersion(), TShopVersion::Professional);
        QVERIFY(CodePaneText(*w.redt1->document()).isEmpty());
        QCOMPARE(w.vmpgcntrl1->ActivePage(), w.vmtbshtTabSheet1);
        QCOMPARE(w.vmpgcntrl1->TabIndex(), 0);
        QVERIFY(!w.vmpgcntrl2->isVisible());
        QVERIFY(w.vmpgcntrl2->isHidden());
        // No page change was raised and no preview ran: nothing written, no
        // browser started.
        QVERIFY(!dir.HasCachePage());
        QVERIFY(!w.wb1->View());
        QVERIFY(w.mmo4->toPlainText().isEmpty());
        QVERIFY(dialogs.messages.isEmpty());
    }

    void controlsAreLaidOutAsStored()
    {
        Tfrmravik w;
        struct Row {
            const char* name;
            const char* parent;
            QRect bounds;
            QString caption;
        };
        const Row rows[] = {
            {"btn1", "frmravik", QRect(588, 3, 80, 30), QStringLiteral("网页预览")},
            {"btn4", "frmravik", QRect(680, 3, 80, 30), QStringLiteral("本地预览")},
            {"btn3", "frmravik", QRect(771, 3, 80, 30), QStringLiteral("清空")},
            {"btn2", "frmravik", QRect(863, 3, 80, 30), QStringLiteral("另存")},
            {"pnl1", "frmravik", QRect(392, 312, 569, 313), QString()},
            {"vmpnl1", "frmravik", QRect(0, 0, 87, 591), QString()},
            {"vmgrpbx1", "vmpnl1", QRect(2, 20, 80, 119), QStringLiteral("版本选择")},
            {"rb1", "vmgrpbx1", QRect(11, 33, 65, 17), QStringLiteral("基础版")},
            {"rb3", "vmgrpbx1", QRect(11, 60, 65, 17), QStringLiteral("专业版")},
            {"rb2", "vmgrpbx1", QRect(11, 88, 65, 17), QStringLiteral("天猫")},
            {"vmgrpbx2", "vmpnl1", QRect(2, 274, 80, 87), QStringLiteral("其他")},
            {"vmbtbtn1", "vmgrpbx2", QRect(8, 29, 65, 25), QStringLiteral("查找替换")},
            {"vmgrpbx3", "vmpnl1", QRect(3, 152, 80, 113), QStringLiteral("格式化")},
            {"vmbtbtn6", "vmgrpbx3", QRect(8, 60, 65, 43), QStringLiteral("格式阅读")},
            {"vmbtbtn2", "vmgrpbx3", QRect(8, 28, 65, 25), QStringLiteral("字体设置")},
            {"vmpgcntrl1", "frmravik", QRect(87, 0, 1116 - 87, 591), QString()},
            {"vmpgcntrl2", "frmravik", QRect(720, 96, 385, 145), QString()},
            {"edt1", "vmtbshtTabSheet3", QRect(88, 34, 189, 21), QString()},
            {"edt2", "vmtbshtTabSheet3", QRect(88, 74, 189, 21), QString()},
        };
        for (const Row& row : rows) {
            auto* widget = w.findChild<QWidget*>(QLatin1String(row.name));
            QVERIFY2(widget, row.name);
            QCOMPARE(widget->parentWidget()->objectName(), QLatin1String(row.parent));
            QCOMPARE(widget->geometry(), row.bounds);
            if (auto* button = qobject_cast<QAbstractButton*>(widget))
                QCOMPARE(button->text(), row.caption);
            else if (auto* control = qobject_cast<TControl*>(widget))
                QCOMPARE(control->Caption(), row.caption);
        }
        QCOMPARE(w.lbl1->text(), QStringLiteral("帮助"));
        QCOMPARE(w.lbl1->pos(), QPoint(11, 64));
        QCOMPARE(w.lbl1->cursor().shape(), Qt::WhatsThisCursor);
        QCOMPARE(w.lbl1->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(w.lbl2->pos(), QPoint(24, 38));
        QCOMPARE(w.lbl3->pos(), QPoint(24, 78));
        QCOMPARE(w.btn5->pos(), QPoint(286, 32));
        QCOMPARE(w.btn6->pos(), QPoint(286, 72));
        QCOMPARE(w.rb1->font().family(), QStringLiteral("新宋体"));
        QCOMPARE(w.rb1->font().pixelSize(), 12);
        QCOMPARE(w.redt1->font().family(), QStringLiteral("宋体"));
        QCOMPARE(w.redt1->font().pixelSize(), 16);
        QCOMPARE(w.redt1->lineWrapMode(), QTextEdit::WidgetWidth);
        QCOMPARE(w.redt1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(w.vmtbshtTabSheet1->Caption(), QStringLiteral("  自定义代码  "));
        QCOMPARE(w.vmpgcntrl1->Tabs()[0]->Caption, QStringLiteral("  自定义代码  "));
        QCOMPARE(w.vmpgcntrl1->Tabs()[1]->Caption, QStringLiteral("实时预览"));
        QCOMPARE(w.vmpgcntrl2->Tabs()[0]->Caption, QStringLiteral("查找替换"));
        QVERIFY(w.vmpgcntrl2->ShowCloseButton());
        // The preview is a form docked on its page, so that it can float.
        QCOMPARE(w.vmpgcntrl1->DockedPage(w.frmPreview), w.vmtbshtTabSheet2);
        QCOMPARE(w.vmtbshtTabSheet2->objectName(), QStringLiteral("vmtbshtTabSheet2"));
        QCOMPARE(w.wb1->parentWidget(), w.frmPreview);
        QCOMPARE(w.redt1->parentWidget(), w.vmtbshtTabSheet1);

        // Creation order of the window's own controls; later ones lie above.
        QStringList order;
        for (QObject* child : w.children())
            if (child->isWidgetType() && !child->objectName().isEmpty() && child != w.pm1)
                order << child->objectName();
        QCOMPARE(order, QStringList({"btn1", "btn4", "btn3", "btn2", "pnl1", "vmpnl1", "vmpgcntrl1", "vmpgcntrl2"}));
        QCOMPARE(w.childAt(w.btn1->geometry().center()) ? w.childAt(w.btn1->geometry().center())->window() : nullptr, &w);
        QVERIFY(w.vmpgcntrl1->isAncestorOf(w.childAt(w.btn1->geometry().center())));
        QVERIFY(w.vmpgcntrl1->isAncestorOf(w.childAt(w.pnl1->geometry().topLeft() + QPoint(10, 10))));

        // The context menu, in order, separators included.
        QStringList items;
        for (QAction* a : w.pm1->actions())
            items << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(items, QStringList({"粘贴", "复制", "全选", "-", "反色背景", "-", "另存为", "-", "清空"}));
        QCOMPARE(w.N5->objectName(), QStringLiteral("N5"));
        QCOMPARE(w.dlgSave1.filters, QStringList{QStringLiteral("代码(*.txt)")});
    }

    void templateBoxesHoldTheTemplatesAndStayInTheTabOrder()
    {
        Tfrmravik w;
        const struct {
            QPlainTextEdit* box;
            QString text;
        } boxes[] = {
            {w.mmo2, PageTemplate(TShopVersion::Professional).Head}, {w.mmo3, PageTemplate(TShopVersion::Professional).Tail},
            {w.mmo5, PageTemplate(TShopVersion::Tmall).Head},        {w.mmo6, PageTemplate(TShopVersion::Tmall).Tail},
            {w.mmo7, PageTemplate(TShopVersion::Basic).Head},        {w.mmo8, PageTemplate(TShopVersion::Basic).Tail},
        };
        for (const auto& b : boxes) {
            // The box's lines read back with CR LF are the template exactly
            // (the template's last line break leaves an empty last line).
            QCOMPARE(CodePaneText(*b.box->document()), b.text);
            QVERIFY(b.box->isReadOnly());
            QVERIFY(b.box->x() < 0);
        }
        // Covered by the page control, yet reachable with the keyboard.
        QList<QWidget*> chain;
        QWidget* next = w.btn1;
        do {
            chain << next;
            next = next->nextInFocusChain();
        } while (next && next != w.btn1 && chain.size() < 500);
        for (QWidget* hidden : {static_cast<QWidget*>(w.btn4), static_cast<QWidget*>(w.btn3),
                                static_cast<QWidget*>(w.btn2), static_cast<QWidget*>(w.mmo2)})
            QVERIFY(chain.contains(hidden));
        QVERIFY(chain.indexOf(w.btn2) < chain.indexOf(w.redt1));
    }

    void exactlyOneVersionIsChecked()
    {
        Tfrmravik w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const auto click = [](QRadioButton* radio) { QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(5, 8)); };
        click(w.rb1);
        QVERIFY(w.rb1->isChecked());
        QCOMPARE(CheckedVersions(w), 1);
        QCOMPARE(w.ShopVersion(), TShopVersion::Basic);
        click(w.rb1);   // a second click does not uncheck it
        QVERIFY(w.rb1->isChecked());
        QCOMPARE(CheckedVersions(w), 1);
        click(w.rb2);
        QCOMPARE(w.ShopVersion(), TShopVersion::Tmall);
        QCOMPARE(CheckedVersions(w), 1);
        w.rb2->setChecked(false);   // code cannot leave none checked either
        QVERIFY(w.rb2->isChecked());
        w.rb3->setChecked(true);
        QCOMPARE(CheckedVersions(w), 1);
        QCOMPARE(w.ShopVersion(), TShopVersion::Professional);
    }

    void everyPageChangePreviewsTheCurrentCodeAndVersion()
    {
        WorkingDir dir(true);
        FakeDialogs dialogs;
        Tfrmravik w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QSignalSpy navigations(w.wb1, &TPreviewBrowser::NavigationRequested);

        // U+00A0 and the line break survive into the page exactly.
        w.redt1->setPlainText(QStringLiteral("<p>one\u00A0two</p>\n<DIV>"));
        ClickTab(w.vmpgcntrl1, 1);
        QCOMPARE(w.vmpgcntrl1->ActivePage(), w.vmtbshtTabSheet2);
        QCOMPARE(navigations.size(), 1);
        QCOMPARE(navigations.at(0).at(0).toUrl(), QUrl::fromLocalFile(dir.Path() + QStringLiteral("/files/cache.html")));
        QCOMPARE(dir.CachePage(), Expected(TShopVersion::Professional, QStringLiteral("<p>one\u00A0two</p>\r\n<DIV>")));
        QVERIFY(dir.CachePage().contains(" >\r\n<p>one&#160;two</p>\r\n<DIV></div>\r\n"));
        QTRY_VERIFY(w.wb1->View());   // once the button is up and no double click can follow
        QCOMPARE(CodePaneText(*w.mmo4->document()),
                 ComposePage(PageTemplate(TShopVersion::Professional), QStringLiteral("<p>one\u00A0two</p>\r\n<DIV>")));

        // A version change alone does not refresh the page.
        const QByteArray before = dir.CachePage();
        QTest::mouseClick(w.rb2, Qt::LeftButton, {}, QPoint(5, 8));
        w.redt1->setPlainText(QStringLiteral("<p>天猫</p>"));
        QCOMPARE(dir.CachePage(), before);
        QCOMPARE(navigations.size(), 1);

        // Switching back previews again, from what is there now.
        ClickTab(w.vmpgcntrl1, 0);
        QCOMPARE(w.vmpgcntrl1->ActivePage(), w.vmtbshtTabSheet1);
        QCOMPARE(navigations.size(), 2);
        QCOMPARE(dir.CachePage(), Expected(TShopVersion::Tmall, QStringLiteral("<p>天猫</p>")));

        // "本地预览" previews without changing the page.
        QTest::mouseClick(w.rb1, Qt::LeftButton, {}, QPoint(5, 8));
        w.btn4->click();
        QCOMPARE(navigations.size(), 3);
        QCOMPARE(w.vmpgcntrl1->ActivePage(), w.vmtbshtTabSheet1);
        QCOMPARE(dir.CachePage(), Expected(TShopVersion::Basic, QStringLiteral("<p>天猫</p>")));
        QVERIFY(dialogs.messages.isEmpty());

        // The browser does show it.
        QTRY_COMPARE_WITH_TIMEOUT(w.wb1->View()->url(), QUrl::fromLocalFile(CachePagePath()), 20000);
    }

    void previewWithoutFilesFolderReportsAndStops()
    {
        WorkingDir dir(false);
        FakeDialogs dialogs;
        FakeShell shell;
        Tfrmravik w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QSignalSpy navigations(w.wb1, &TPreviewBrowser::NavigationRequested);
        w.redt1->setPlainText(QStringLiteral("<p>x</p>"));

        ClickTab(w.vmpgcntrl1, 1);
        QCOMPARE(dialogs.messages.size(), 1);
        const QString prefix = QStringLiteral("Cannot create file \"files/cache.html\". ");
        QVERIFY2(dialogs.messages[0].text.startsWith(prefix), qPrintable(dialogs.messages[0].text));
        QVERIFY(dialogs.messages[0].text.size() > prefix.size());
        QCOMPARE(dialogs.messages[0].caption, TApplication::Title());
        QCOMPARE(navigations.size(), 0);
        QVERIFY(!w.wb1->View());
        QCOMPARE(w.vmpgcntrl1->ActivePage(), w.vmtbshtTabSheet2);   // the switch itself happened

        w.btn1->click();
        QCOMPARE(dialogs.messages.size(), 2);
        QVERIFY(shell.opened.isEmpty());

        // The editor goes on: with the folder back, the next preview works.
        dir.MakeFiles();
        w.btn4->click();
        QCOMPARE(dialogs.messages.size(), 2);
        QCOMPARE(navigations.size(), 1);
        QCOMPARE(dir.CachePage(), Expected(TShopVersion::Professional, QStringLiteral("<p>x</p>")));
    }

    void webPreviewHandsTheCachePageToTheShell()
    {
        WorkingDir dir(true);
        FakeDialogs dialogs;
        FakeShell shell;
        Tfrmravik w;
        w.redt1->setPlainText(QStringLiteral("<img src=\"http://img.example.com/a.jpg\">"));
        w.rb2->setChecked(true);
        w.btn1->click();
        QCOMPARE(shell.opened, QStringList{QDir(dir.Path()).absoluteFilePath(QStringLiteral("files/cache.html"))});
        QCOMPARE(dir.CachePage(), Expected(TShopVersion::Tmall, QStringLiteral("<img src=\"http://img.example.com/a.jpg\">")));
        QVERIFY(!w.wb1->View());   // the embedded browser is not involved
        QVERIFY(dialogs.messages.isEmpty());
    }

    // The screen width chosen in the preview's menu is the next run's too.
    void screenWidthChoiceOutlivesTheWindow()
    {
        UserSettings().remove(QStringLiteral("preview/screenWidth"));
        {
            Tfrmravik w;
            QCOMPARE(w.wb1->ScreenWidth(), 0);
            emit w.wb1->ScreenWidthChosen(1440);
        }
        Tfrmravik again;
        QCOMPARE(again.wb1->ScreenWidth(), 1440);
        UserSettings().remove(QStringLiteral("preview/screenWidth"));
    }

    void coveredButtonsAnswerTheKeyboard()
    {
        WorkingDir dir(true);
        FakeDialogs dialogs;
        FakeShell shell;
        Tfrmravik w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QSignalSpy navigations(w.wb1, &TPreviewBrowser::NavigationRequested);
        w.btn4->setFocus();
        QTest::keyClick(w.btn4, Qt::Key_Return);
        QCOMPARE(navigations.size(), 1);
        QTest::keyClick(w.btn4, Qt::Key_Space);
        QCOMPARE(navigations.size(), 2);
        w.btn1->setFocus();
        QTest::keyClick(w.btn1, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(shell.opened.size(), 1);
        QVERIFY(dir.HasCachePage());
    }

    void backgroundPreviewLeavesTheKeyboardInTheCodePane()
    {
        WorkingDir dir(true);
        Tfrmravik w;
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.redt1->setFocus();
        QTRY_VERIFY(w.redt1->hasFocus());
        w.redt1->setPlainText(QStringLiteral("<input autofocus id=\"grab\">"));
        w.btn4->click();
        bool loaded = false;
        connect(w.wb1->View(), &QWebEngineView::loadFinished, this, [&] { loaded = true; });
        QTRY_VERIFY_WITH_TIMEOUT(loaded, 20000);
        QCOMPARE(w.vmpgcntrl1->ActivePage(), w.vmtbshtTabSheet1);
        QVERIFY(w.redt1->hasFocus());
    }

    void maximisingGrowsThePageControlNotTheSideBar()
    {
        Tfrmravik w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.resize(1400, 820);
        QTRY_COMPARE(w.vmpgcntrl1->geometry(), QRect(87, 0, 1400 - 87, 820));
        QCOMPARE(w.vmpnl1->geometry(), QRect(0, 0, 87, 820));
        QVERIFY(w.redt1->width() > 1116 - 87);
        QVERIFY(w.redt1->height() > 591 - 40);
    }
};

RAVIK_TEST(TestMainWindow)
#include "tst_mainwindow.moc"
