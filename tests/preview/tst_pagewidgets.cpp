// The storefront widgets in the displayed preview page: our emulation, its
// option reader, and when it keeps out of the way. Pages are composed into
// the professional storefront as the editor composes them and shown in a
// real embedded browser; the pointer is real mouse input to the view.
#include "LoopbackOnly.h"
#include "PageComposer.h"
#include "PageScripts.h"
#include "PreviewBridge.h"
#include "PreviewPage.h"
#include "TestMain.h"
#include "WidgetConfigReader.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QWebChannel>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {
constexpr int kTimeout = 20000;

// A preview page that keeps what the page writes to its console.
class ConsolePage : public TPreviewPage {
public:
    using TPreviewPage::TPreviewPage;
    QStringList messages;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                  const QString&) override
    {
        messages << message;
    }
};

// A widget of three triggers and three panels (or `panels`), with prev and
// next buttons. The parts carry data-t so that the state can be read
// whatever class names the options give them.
QString Widget(const QString& type, const QString& config, int panels = 3, const QString& nav = QStringLiteral("ks-switchable-nav"),
               const QString& content = QStringLiteral("ks-switchable-content"))
{
    QString triggers, items;
    for (int i = 0; i < panels; ++i) {
        triggers += QStringLiteral("<li>%1</li>").arg(i);
        items += QStringLiteral("<div>panel %1</div>").arg(i);
    }
    return QStringLiteral(
               "<style>#w li{display:inline-block;width:60px;height:20px}"
               "#w [data-t=content]>div{width:100px;height:50px}</style>"
               "<div class=\"J_TWidget\" id=\"w\" data-widget-type=\"%1\" data-widget-config=\"%2\">"
               "<ul class=\"%3\" data-t=\"nav\">%4</ul>"
               "<div class=\"%5\" data-t=\"content\">%6</div>"
               "<a class=\"ks-switchable-prev-btn\" data-t=\"prev\">prev</a> "
               "<a class=\"ks-switchable-next-btn\" data-t=\"next\">next</a></div>"
               "<p id=\"away\" style=\"height:40px\">outside</p>")
        .arg(type, config, nav, triggers, content, items);
}

// The widget's state as "triggers|panels|buttons": the indices of the
// triggers carrying `active`, of the panels a user sees (displayed, opaque,
// inside the content's box), and which buttons carry the disabled class.
QString StateScript(const QString& active)
{
    return QStringLiteral(
               "(function(){var w=document.getElementById('w');"
               "var q=function(t){return w.querySelector('[data-t='+t+']');};"
               "var box=q('content').getBoundingClientRect();"
               "var on=[],seen=[];"
               "Array.prototype.forEach.call(q('nav').children,function(e,i){if(e.classList.contains('%1'))on.push(i);});"
               "Array.prototype.forEach.call(q('content').children,function(e,i){"
               "var s=getComputedStyle(e),r=e.getBoundingClientRect();"
               "var inside=Math.min(r.right,box.right)-Math.max(r.left,box.left)>=r.width/2&&"
               "Math.min(r.bottom,box.bottom)-Math.max(r.top,box.top)>=r.height/2;"
               "if(s.display!=='none'&&s.visibility!=='hidden'&&Number(s.opacity)>0.99&&r.width>0&&inside)seen.push(i);});"
               "var d=function(t){return q(t).classList.contains('ks-switchable-disable-btn')?'x':'-';};"
               "return on.join(',')+'|'+seen.join(',')+'|'+d('prev')+d('next');})()")
        .arg(active);
}
}

class TestPageWidgets : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString oldDir_;
    LoopbackOnly interceptor_;
    TPreviewBridge bridge_;
    QWebChannel channel_;
    std::unique_ptr<QWebEngineView> view_;
    ConsolePage* page_ = nullptr;

    // Shows `fragment` in the professional storefront, as a preview does,
    // and waits until our widget script has started.
    bool Show(const QString& fragment)
    {
        WriteCachePage(TShopVersion::Professional, fragment);
        page_->messages.clear();
        bool finished = false;
        const auto c = connect(page_, &QWebEnginePage::loadFinished, this, [&] { finished = true; });
        page_->load(QUrl::fromLocalFile(CachePagePath()));
        const bool loaded = QTest::qWaitFor([&] { return finished; }, kTimeout);
        disconnect(c);
        return loaded && QTest::qWaitFor([&] { return Eval(QStringLiteral("window.ravikWidgets.started")).toBool(); },
                                         kTimeout);
    }

    // Runs `script` in our scripts' world: it sees the document and our
    // globals, not the page's.
    QVariant Eval(const QString& script, quint32 world = PageScriptWorld)
    {
        QVariant result;
        bool done = false;
        page_->runJavaScript(script, world, [&](const QVariant& v) {
            result = v;
            done = true;
        });
        if (!QTest::qWaitFor([&] { return done; }, kTimeout))
            return QStringLiteral("<no answer>");
        return result;
    }

    static QString Selector(const QString& part)
    {
        const QStringList p = part.split(QLatin1Char('>'));
        return p.size() > 1 ? QStringLiteral("#w [data-t=%1]>:nth-child(%2)").arg(p[0]).arg(p[1].toInt() + 1)
                            : QStringLiteral("#w [data-t=%1]").arg(part);
    }

    // The centre of the widget's `part` ("nav>N" for a trigger) in the
    // view's coordinates, after scrolling it into view.
    QPoint Centre(const QString& part)
    {
        const QVariantList xy = Eval(QStringLiteral("(function(){var e=document.querySelector('%1');"
                                                    "e.scrollIntoView({block:'center'});var r=e.getBoundingClientRect();"
                                                    "return [r.left+r.width/2,r.top+r.height/2];})()")
                                         .arg(Selector(part))).toList();
        return xy.size() == 2 ? QPoint(qRound(xy[0].toDouble()), qRound(xy[1].toDouble())) : QPoint();
    }

    // Plays "click:part", "hover:part" or "leave" (the pointer off the
    // widget) with the real mouse, and waits until the page has taken it:
    // input reaches the page apart from our scripts' calls.
    bool Act(const QString& action)
    {
        QWidget* input = view_->focusProxy();
        const QString what = action.section(QLatin1Char(':'), 0, 0);
        const QString part = action.section(QLatin1Char(':'), 1);
        QString hovered = QStringLiteral("document.querySelector('%1').matches(':hover')").arg(Selector(part));
        if (what == QLatin1String("click")) {
            QTest::mouseClick(input, Qt::LeftButton, {}, Centre(part));
        } else if (what == QLatin1String("hover")) {
            QTest::mouseMove(input, Centre(part));
        } else {
            QTest::mouseMove(input, Centre(QStringLiteral("nav")) + QPoint(0, 200));
            hovered = QStringLiteral("!document.getElementById('w').matches(':hover')");
        }
        return QTest::qWaitFor([&] { return Eval(hovered).toBool(); }, kTimeout);
    }

private slots:
    void initTestCase()
    {
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&interceptor_);
        oldDir_ = QDir::currentPath();
        QDir(dir_.path()).mkdir(QStringLiteral("files"));
        QDir::setCurrent(dir_.path());
        channel_.registerObject(bridge_.objectName(), &bridge_);
        view_ = std::make_unique<QWebEngineView>();
        page_ = new ConsolePage(view_.get());
        InstallPageScripts(*page_, channel_);
        view_->setPage(page_);
        view_->resize(1000, 700);
        view_->show();
        QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
    }

    void cleanupTestCase()
    {
        view_.reset();
        QDir::setCurrent(oldDir_);
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr);
    }

    // The option text is read as data: the forms decorators write are
    // accepted, and anything that would have to run is refused with the
    // place where reading stopped. The publish check runs the same reader
    // in Qt's engine, and reads every text alike.
    void optionsAreReadNeverRun_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("read");   // JSON of the options, or "error@position"
        QTest::newRow("quotes, bare keys, numbers, trailing comma")
            << "{navCls:'n', \"effect\":'fade', autoplay:false, interval:.5, steps:+2, n:-0x10, 1:2e1,}"
            << "{\"1\":20,\"navCls\":\"n\",\"effect\":\"fade\",\"autoplay\":false,\"interval\":0.5,\"steps\":2,\"n\":-16}";
        QTest::newRow("escapes, comments, nesting, names beyond ASCII")
            << "/* c */ { s:'it\\'s \\u4e2d\\x41\\n\\q', // note\n a:[1, \"b\", [true, null],], o:{}, 名称:'x' }"
            << "{\"s\":\"it's 中A\\nq\",\"a\":[1,\"b\",[true,null]],\"o\":{},\"名称\":\"x\"}";
        QTest::newRow("marks go on a name, a full-width colon is no colon")
            << QStringLiteral("{a\u0301:1, 名\uff1a2}") << "error@8";
        QTest::newRow("nothing") << " \n " << "{}";
        QTest::newRow("__proto__ is an option like any other")
            << "{__proto__:{polluted:1}}" << "{\"__proto__\":{\"polluted\":1}}|clean";
        QTest::newRow("bare word") << "{effect: fade}" << "error@9";
        QTest::newRow("a call") << "{a: alert(1)}" << "error@4";
        QTest::newRow("not an object") << "'fade'" << "error@0";
        QTest::newRow("missing brace") << "{a:1" << "error@4";
        QTest::newRow("open string") << "{a:'x}" << "error@6";
        QTest::newRow("something after") << "{a:1} {b:2}" << "error@6";
        QTest::newRow("number run into a word") << "{a:1px}" << "error@4";
        QTest::newRow("too deep") << "{a:" + QString(40, QLatin1Char('[')) + QString(40, QLatin1Char(']')) + "}" << "error@35";
    }

    void optionsAreReadNeverRun()
    {
        QFETCH(QString, config);
        QFETCH(QString, read);
        if (!page_->url().isValid())
            QVERIFY(Show(QString()));
        const QString quoted = QString::fromUtf8(QJsonDocument(QJsonArray{config}).toJson(QJsonDocument::Compact));
        const QString got = Eval(QStringLiteral(
            "(function(){var r=ravikWidgetConfig.parse(%1[0]);"
            "if(r.error!==undefined)return 'error@'+r.position;"
            "var s=JSON.stringify(r.value);return ({}).polluted===undefined&&s.indexOf('polluted')>=0?s+'|clean':s;})()")
                                    .arg(quoted)).toString();
        QCOMPARE(got, read);

        const TWidgetConfig checked = TWidgetConfigReader().Read(config);
        QVERIFY(checked.State != TWidgetConfig::TState::Unchecked);
        const QString value = QString(read).remove(QLatin1String("|clean"));
        if (checked.State == TWidgetConfig::TState::Unreadable)
            QCOMPARE(QStringLiteral("error@%1").arg(checked.Position), value);
        else
            QCOMPARE(QJsonObject::fromVariantMap(checked.Value), QJsonDocument::fromJson(value.toUtf8()).object());
    }

    // Triggers, buttons, accordions and effects under the pointer. Each row
    // shows a widget, plays the actions and compares the state after each
    // one; an effect must get there by a transition, not a jump.
    void widgetsSwitch_data()
    {
        QTest::addColumn<QString>("fragment");
        QTest::addColumn<QString>("active");       // the active trigger's class
        QTest::addColumn<QStringList>("actions");  // "" for the first state
        QTest::addColumn<QStringList>("states");
        QTest::addColumn<QString>("moves");        // the property an effect transitions
        QTest::newRow("Tabs: hover switches")
            << Widget(QStringLiteral("Tabs"), QString()) << "ks-active"
            << QStringList{"", "hover:nav>2", "click:nav>1"}
            << QStringList{"0|0|x-", "2|2|-x", "1|1|--"} << QString();
        QTest::newRow("Tabs: click trigger, own classes, activeIndex")
            << Widget(QStringLiteral("Tabs"), QStringLiteral("{triggerType:'click', navCls:'my-nav', contentCls:'my-body',"
                                                             " activeTriggerCls:'on now', activeIndex:2}"),
                      3, QStringLiteral("my-nav"), QStringLiteral("my-body"))
            << "now" << QStringList{"", "hover:nav>0", "click:nav>0"}
            << QStringList{"2|2|-x", "2|2|-x", "0|0|x-"} << QString();
        QTest::newRow("Carousel, not circular: buttons stop at the ends")
            << Widget(QStringLiteral("Carousel"), QStringLiteral("{circular:false, autoplay:false}")) << "ks-active"
            << QStringList{"", "click:prev", "click:next", "click:next", "click:next", "click:prev"}
            << QStringList{"0|0|x-", "0|0|x-", "1|1|--", "2|2|-x", "2|2|-x", "1|1|--"} << QString();
        QTest::newRow("Slide: circular buttons wrap")
            << Widget(QStringLiteral("Slide"), QStringLiteral("{autoplay:false}")) << "ks-active"
            << QStringList{"", "click:prev", "click:next"}
            << QStringList{"0|0|--", "2|2|--", "0|0|--"} << QString();
        QTest::newRow("Accordion: one panel open")
            << Widget(QStringLiteral("Accordion"), QStringLiteral("{triggerType:'click'}")) << "ks-active"
            << QStringList{"", "click:nav>2", "click:nav>2"}
            << QStringList{"0|0|--", "2|2|--", "2|2|--"} << QString();
        QTest::newRow("Accordion: multiple")
            << Widget(QStringLiteral("Accordion"), QStringLiteral("{multiple:true, triggerType:'mouse'}")) << "ks-active"
            << QStringList{"", "click:nav>2", "click:nav>0", "hover:nav>1", "click:nav>1"}
            << QStringList{"0|0|--", "0,2|0,2|--", "2|2|--", "1,2|1,2|--", "2|2|--"} << QString();
        QTest::newRow("panels the style sheet hides are shown")
            << QStringLiteral("<style>#w [data-t=content]>div{display:none}</style>") +
                   Widget(QStringLiteral("Tabs"), QStringLiteral("{triggerType:'click'}"))
            << "ks-active" << QStringList{"", "click:nav>1"} << QStringList{"0|0|x-", "1|1|--"} << QString();
        QTest::newRow("fade, in a content as tall as its style makes it")
            << QStringLiteral("<style>#w [data-t=content]{height:50px}</style>") + Widget(QStringLiteral("Tabs"), QStringLiteral("{effect:'fade', duration:0.2, triggerType:'click'}"))
            << "ks-active" << QStringList{"", "click:nav>1"} << QStringList{"0|0|x-", "1|1|--"} << "opacity";
        QTest::newRow("scrollx by two in a view of two")
            << Widget(QStringLiteral("Tabs"), QStringLiteral("{effect:'scrollx', steps:2, viewSize:[200], duration:0.2,"
                                                             " triggerType:'click'}"), 5)
            << "ks-active" << QStringList{"", "click:nav>1"} << QStringList{"0|0,1|x-", "1|2,3|--"} << "transform";
        QTest::newRow("scrolly in the panel's height")
            << Widget(QStringLiteral("Tabs"), QStringLiteral("{effect:'scrolly', duration:0.2, triggerType:'click'}"))
            << "ks-active" << QStringList{"", "click:nav>2"} << QStringList{"0|0|x-", "2|2|-x"} << "transform";
    }

    void widgetsSwitch()
    {
        QFETCH(QString, fragment);
        QFETCH(QString, active);
        QFETCH(QStringList, actions);
        QFETCH(QStringList, states);
        QFETCH(QString, moves);
        QVERIFY(Show(fragment));
        Eval(QStringLiteral("window.ran=[];document.addEventListener('transitionrun',function(e){ran.push(e.propertyName);});"));
        for (int i = 0; i < actions.size(); ++i) {
            if (!actions[i].isEmpty())
                QVERIFY(Act(actions[i]));
            // A hover switches after a short delay; anything else at once.
            if (actions[i].startsWith(QLatin1String("hover")))
                QTest::qWait(400);
            QTRY_COMPARE_WITH_TIMEOUT(Eval(StateScript(active)).toString(), states[i], 3000);
        }
        if (!moves.isEmpty())
            QVERIFY(Eval(QStringLiteral("ran.indexOf('%1')>=0").arg(moves)).toBool());
        // Switching reports nothing.
        QCOMPARE(page_->messages, QStringList());
    }

    // Slides move on their own and wrap; the pointer on the widget holds
    // them; a tab does not move unless asked to.
    void autoplay()
    {
        const QString state = StateScript(QStringLiteral("ks-active"));
        QVERIFY(Show(Widget(QStringLiteral("Slide"), QStringLiteral("{interval:0.2}"))));
        QTRY_COMPARE_WITH_TIMEOUT(Eval(state).toString(), QStringLiteral("1|1|--"), 3000);
        QTRY_COMPARE_WITH_TIMEOUT(Eval(state).toString(), QStringLiteral("2|2|--"), 3000);
        QTRY_COMPARE_WITH_TIMEOUT(Eval(state).toString(), QStringLiteral("0|0|--"), 3000);

        QVERIFY(Act(QStringLiteral("hover:content")));
        const QString held = Eval(state).toString();
        QTest::qWait(700);
        QCOMPARE(Eval(state).toString(), held);
        QVERIFY(Act(QStringLiteral("leave")));
        QTRY_VERIFY_WITH_TIMEOUT(Eval(state).toString() != held, 3000);

        QVERIFY(Show(Widget(QStringLiteral("Tabs"), QStringLiteral("{interval:0.2}"))));
        QTest::qWait(700);
        QCOMPARE(Eval(state).toString(), QStringLiteral("0|0|x-"));
    }

    // Widgets the emulation must not touch stay exactly as written; an
    // unreadable option text is reported in the page's console.
    void widgetsLeftAsWritten_data()
    {
        QTest::addColumn<QString>("fragment");
        QTest::addColumn<QString>("report");   // a piece of the console message, or empty
        QTest::newRow("unreadable options")
            << Widget(QStringLiteral("Slide"), QStringLiteral("{effect:'fade',}}")) << "data-widget-config";
        QTest::newRow("no content element")
            << Widget(QStringLiteral("Tabs"), QStringLiteral("{contentCls:'missing'}")) << "missing";
        QTest::newRow("the page brings its own runtime")
            << "<script>window.KISSY = { version: '1' };</script>" + Widget(QStringLiteral("Slide"), QStringLiteral("{interval:0.1}"))
            << QString();
        QTest::newRow("a type with nothing to show offline") << Widget(QStringLiteral("Compatible"), QString()) << QString();
    }

    void widgetsLeftAsWritten()
    {
        QFETCH(QString, fragment);
        QFETCH(QString, report);
        QVERIFY(Show(fragment));
        QTest::qWait(400);   // an autoplay would have moved by now
        // The widget is as the HTML parser makes it from the same text.
        const QString quoted = QString::fromUtf8(QJsonDocument(QJsonArray{fragment}).toJson(QJsonDocument::Compact));
        QVERIFY(Eval(QStringLiteral("(function(){var t=document.createElement('template');t.innerHTML=%1[0];"
                                    "return t.content.getElementById('w').outerHTML===document.getElementById('w').outerHTML;})()")
                         .arg(quoted)).toBool());
        if (report.isEmpty()) {
            QCOMPARE(page_->messages, QStringList());
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(page_->messages.size(), 1, 3000);
            QVERIFY2(page_->messages[0].contains(report), qPrintable(page_->messages[0]));
        }
    }
};

RAVIK_TEST(TestPageWidgets)
#include "tst_pagewidgets.moc"
