// The storefront widgets in the displayed preview page: our emulation, its
// option reader, and when it keeps out of the way. Pages are composed into
// the professional storefront as the editor composes them and shown in a
// real embedded browser; the pointer is real mouse input to the view.
#include "Fragments.h"
#include "PageComposer.h"
#include "PageEval.h"
#include "PageScripts.h"
#include "PreviewBridge.h"
#include "PreviewPage.h"
#include "PreviewWorkingDir.h"
#include "TestMain.h"
#include "WidgetConfigReader.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QWebChannel>
#include <QWebEngineView>

#include <optional>

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
    std::optional<PreviewWorkingDir> dir_;
    TPreviewBridge bridge_;
    QWebChannel channel_;
    std::unique_ptr<QWebEngineView> view_;
    ConsolePage* page_ = nullptr;

    // Shows `fragment` in the storefront (professional unless told), as a
    // preview does, and waits until our widget script has started.
    bool Show(const QString& fragment, TShopVersion version = TShopVersion::Professional)
    {
        WriteCachePage(version, fragment);
        // The pointer rests in the view's corner, off every widget, so that
        // no test starts under the last one's hover.
        QTest::mouseMove(view_->focusProxy(), QPoint(1, 1));
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
    QVariant Eval(const QString& script, quint32 world = PageScriptWorld) { return ::Eval(page_, script, world); }

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

    // The box of the element `css` names, in CSS pixels of the view.
    QRectF Box(const QString& css)
    {
        const QVariantList r = Eval(QStringLiteral("(function(){var r=document.querySelector(%1).getBoundingClientRect();"
                                                   "return [r.left,r.top,r.width,r.height];})()")
                                        .arg(Quoted(css))).toList();
        return r.size() == 4 ? QRectF(r[0].toDouble(), r[1].toDouble(), r[2].toDouble(), r[3].toDouble()) : QRectF();
    }

    static QString Quoted(const QString& text)
    {
        return QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
    }

    // Whether the element `css` names can be seen: displayed, opaque.
    bool Visible(const QString& css)
    {
        return Eval(QStringLiteral("(function(){var e=document.querySelector(%1),s=getComputedStyle(e);"
                                   "return s.display!=='none'&&s.visibility!=='hidden'&&Number(s.opacity)>0.99;})()")
                        .arg(Quoted(css))).toBool();
    }

    // Moves the real mouse onto the centre of `css` (or to `at`, a point of
    // the view) and waits until the page has it there.
    bool PointAt(const QString& css, QPoint at = {})
    {
        if (at.isNull()) {
            Eval(QStringLiteral("document.querySelector(%1).scrollIntoView({block:'center',inline:'center'})").arg(Quoted(css)));
            at = Box(css).center().toPoint();
        }
        QTest::mouseMove(view_->focusProxy(), at);
        return QTest::qWaitFor([&] {
            return Eval(QStringLiteral("document.querySelector(%1).matches(':hover')").arg(Quoted(css))).toBool();
        }, kTimeout);
    }

    bool ClickAt(const QString& css)
    {
        if (!PointAt(css))
            return false;
        QTest::mouseClick(view_->focusProxy(), Qt::LeftButton, {}, Box(css).center().toPoint());
        return true;
    }

private slots:
    void initTestCase()
    {
        dir_.emplace();
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
        dir_.reset();
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
        QTest::newRow("Carousel, not circular (options as strings): buttons stop at the ends")
            << Widget(QStringLiteral("Carousel"), QStringLiteral("{circular:'false', autoplay:'false'}")) << "ks-active"
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
        // The content's box is the decorator's view here: the widget
        // clips nothing of its own.
        QTest::newRow("scrollx by two in a view of two")
            << QStringLiteral("<style>#w [data-t=content]{width:200px}</style>") +
                   Widget(QStringLiteral("Tabs"), QStringLiteral("{effect:'scrollx', steps:2, viewSize:[200], duration:0.2,"
                                                                 " triggerType:'click'}"), 5)
            << "ks-active" << QStringList{"", "click:nav>1"} << QStringList{"0|0,1|x-", "1|2,3|--"} << "transform";
        QTest::newRow("scrolly by the panel's height")
            << QStringLiteral("<style>#w [data-t=content]{height:50px}</style>") +
                   Widget(QStringLiteral("Tabs"), QStringLiteral("{effect:'scrolly', duration:0.2, triggerType:'click'}"))
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

    // A list scrolling a row at a time shows as many rows as its box
    // holds, not one: the widget clips nothing of its own.
    void scrollingListShowsWhatItsBoxHolds()
    {
        QVERIFY(Show(StoredFragment(QStringLiteral("scroll-lists.html"))));
        const auto rows = [this] {
            return Eval(QStringLiteral(
                "(function(){var box=document.querySelector('.sl-deal-list').getBoundingClientRect(),"
                "items=[].slice.call(document.querySelectorAll('.sl-deal-items>li')),seen=[];"
                "for(var y=box.top+12;y<box.bottom;y+=25){var e=document.elementFromPoint(box.left+50,y);"
                "seen.push(items.indexOf(e&&e.closest('li')));}return seen.join(',');})()")).toString();
        };
        Eval(QStringLiteral("document.querySelector('.sl-deal-list').scrollIntoView({block:'center'})"));
        QCOMPARE(rows(), QStringLiteral("0,1,2,3,4"));
        QTRY_COMPARE_WITH_TIMEOUT(rows(), QStringLiteral("1,2,3,4,5"), 5000);
    }

    // A fade never lets what lies behind the widget show through: the panel
    // coming is opaque at once beneath the one going, so every frame of the
    // fade is a mix of the two panels' colours, with none of the white page.
    void fadeShowsNothingBehind()
    {
        QVERIFY(Show(StoredFragment(QStringLiteral("scroll-lists.html"))));
        // The pointer on the slide holds its autoplay; the fade goes from
        // the panel showing to the next.
        QVERIFY(PointAt(QStringLiteral(".sl-fade .ks-switchable-content")));
        const QPoint at = Box(QStringLiteral(".sl-fade")).center().toPoint() - QPoint(0, 60);
        const QList<QColor> panels{QColor(0x5d4037), QColor(0x00695c), QColor(0x283593)};
        const int shown = panels.indexOf(QColor(view_->grab().toImage().pixel(at)));
        QVERIFY(shown >= 0);
        const QColor from = panels[shown], to = panels[(shown + 1) % 3];
        QVERIFY(ClickAt(QStringLiteral(".sl-fade .ks-switchable-nav>li:nth-child(%1)").arg((shown + 1) % 3 + 1)));
        const auto within = [](int c, int a, int b) { return c >= std::min(a, b) - 4 && c <= std::max(a, b) + 4; };
        QElapsedTimer clock;
        clock.start();
        int mixed = 0;
        QColor last;
        while (clock.elapsed() < 1200) {
            last = QColor(view_->grab().toImage().pixel(at));
            QVERIFY2(within(last.red(), from.red(), to.red()) && within(last.green(), from.green(), to.green()) &&
                         within(last.blue(), from.blue(), to.blue()),
                     qPrintable(last.name()));
            if (last != from && last != to)
                ++mixed;
            QTest::qWait(30);   // for the next frame
        }
        QVERIFY(mixed > 0);   // a fade, not a jump
        QCOMPARE(last, to);
    }

    // The full-screen pattern (a box of a page class at left:50%, width 0,
    // holding one 1920 px wide) spans the screen centred, as wide as
    // designed, clipped by nothing of the column, with no horizontal scroll
    // bar on a screen wider than it: in every storefront, with the offsets
    // written for it. The basic storefront's modules stand in its 750 px
    // column, 100 px right of the screen's middle, where code made for it
    // places its boxes (-1060 px from the column's middle, -685 px from its
    // left edge).
    void fullScreenBannerSpansTheScreen_data()
    {
        QTest::addColumn<TShopVersion>("version");
        QTest::addColumn<QString>("fragment");
        QTest::addColumn<QString>("strip");   // the 1920 px box
        QTest::addColumn<QString>("ends");    // what must show at its far ends
        QTest::newRow("professional") << TShopVersion::Professional << "fullscreen-carousel.html" << ".fs-stage"
                                      << ".fs-slides>li";
        QTest::newRow("basic") << TShopVersion::Basic << "basic-fullscreen.html" << ".bf-strip" << ".bf-strip";
        QTest::newRow("tmall") << TShopVersion::Tmall << "fullscreen-carousel.html" << ".fs-stage" << ".fs-slides>li";
    }

    void fullScreenBannerSpansTheScreen()
    {
        QFETCH(TShopVersion, version);
        QFETCH(QString, fragment);
        QFETCH(QString, strip);
        QFETCH(QString, ends);
        view_->resize(2000, 900);
        const auto restore = qScopeGuard([this] { view_->resize(1000, 700); });
        QVERIFY(Show(StoredFragment(fragment), version));
        const double screen = Eval(QStringLiteral("document.documentElement.clientWidth")).toDouble();
        QVERIFY(screen > 1920);
        Eval(QStringLiteral("document.querySelector(%1).scrollIntoView({block:'center'})").arg(Quoted(strip)));
        const QRectF banner = Box(strip);
        QCOMPARE(banner.width(), 1920.0);
        QCOMPARE(banner.left(), (screen - 1920) / 2);
        QVERIFY(Eval(QStringLiteral("document.documentElement.scrollWidth<=document.documentElement.clientWidth")).toBool());
        // What it shows first is what shows at both far ends, past the column.
        for (const double x : {banner.left() + 5, banner.right() - 5}) {
            QVERIFY2(Eval(QStringLiteral("document.querySelector(%1).contains(document.elementFromPoint(%2,%3))")
                              .arg(Quoted(ends)).arg(x).arg(banner.center().y())).toBool(), qPrintable(QString::number(x)));
        }
    }

    // The carousel's prev/next arrows are Popups of its view: they show on
    // hover, each centred 440 px beside the view's centre, and work as the
    // carousel's buttons; the slide moves with the named easing over its
    // duration, and its lazily loaded picture arrives; leaving for a
    // thumbnail hides the arrows, and the thumbnail switches after its delay.
    void carouselArrowsAreHoverPopups()
    {
        QVERIFY(Show(StoredFragment(QStringLiteral("fullscreen-carousel.html"))));
        const QString active = QStringLiteral("[].indexOf.call(document.querySelectorAll('.fs-thumbs>li'),"
                                              "document.querySelector('.fs-thumbs>.fs-on'))");
        QVERIFY(!Visible(QStringLiteral(".fs-banner>.J_TWidget")));
        QVERIFY(PointAt(QStringLiteral(".fs-view")));
        QTRY_VERIFY_WITH_TIMEOUT(Visible(QStringLiteral(".fs-banner>.J_TWidget:nth-child(2)")), 3000);
        const QPointF centre = Box(QStringLiteral(".fs-view")).center();
        QCOMPARE(Box(QStringLiteral(".fs-banner>.J_TWidget:nth-child(2)")).center(), centre - QPointF(440, 0));
        QCOMPARE(Box(QStringLiteral(".fs-banner>.J_TWidget:nth-child(3)")).center(), centre + QPointF(440, 0));

        QVERIFY(ClickAt(QStringLiteral(".fs-next")));
        QTRY_COMPARE_WITH_TIMEOUT(Eval(active).toInt(), 1, 3000);
        QTRY_COMPARE_WITH_TIMEOUT(
            Eval(QStringLiteral("(function(){var s=getComputedStyle(document.querySelectorAll('.fs-slides>li')[1]);"
                                "return s.transform+'|'+s.transitionDuration+'|'+s.transitionTimingFunction;})()")).toString(),
            QStringLiteral("matrix(1, 0, 0, 1, -1920, 0)|0.6s|cubic-bezier(0.165, 0.84, 0.44, 1)"), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(Eval(QStringLiteral("document.querySelectorAll('.fs-slides img')[1].src")).toString()
                                     .endsWith(QLatin1String("slide-2.jpg")), 3000);
        QVERIFY(Visible(QStringLiteral(".fs-banner>.J_TWidget:nth-child(3)")));   // still hovered

        // Off the view and its arrows, onto a thumbnail.
        QVERIFY(PointAt(QStringLiteral(".fs-thumbs>li:nth-child(4)")));
        QTRY_COMPARE_WITH_TIMEOUT(Eval(active).toInt(), 3, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(!Visible(QStringLiteral(".fs-banner>.J_TWidget:nth-child(2)")) &&
                                     !Visible(QStringLiteral(".fs-banner>.J_TWidget:nth-child(3)")), 3000);
        QCOMPARE(page_->messages, QStringList());
    }

    // A grid's items each show their Popup on hover, its point on the
    // item's point (plus the offset) to the pixel, and hide it on leaving;
    // a click Popup toggles.
    void productGridPopups()
    {
        QVERIFY(Show(StoredFragment(QStringLiteral("product-grid-popup.html"))));
        QVERIFY(PointAt(QStringLiteral(".pg-i1")));
        QTRY_VERIFY_WITH_TIMEOUT(Visible(QStringLiteral(".pg-i1>.J_TWidget")), 3000);
        QRectF item = Box(QStringLiteral(".pg-i1"));
        QRectF popup = Box(QStringLiteral(".pg-i1>.J_TWidget"));
        QCOMPARE(QPointF(popup.center().x(), popup.bottom()), QPointF(item.center().x(), item.bottom()));

        QVERIFY(PointAt(QStringLiteral(".pg-i5")));
        QTRY_VERIFY_WITH_TIMEOUT(!Visible(QStringLiteral(".pg-i1>.J_TWidget")), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(Visible(QStringLiteral(".pg-i5>.J_TWidget")), 3000);
        item = Box(QStringLiteral(".pg-i5"));
        popup = Box(QStringLiteral(".pg-i5>.J_TWidget"));
        QCOMPARE(QPointF(popup.center().x(), popup.bottom()), QPointF(item.center().x(), item.top() - 10));

        QVERIFY(ClickAt(QStringLiteral(".pg-i6")));
        QTRY_VERIFY_WITH_TIMEOUT(Visible(QStringLiteral(".pg-i6>.J_TWidget")), 3000);
        QCOMPARE(Box(QStringLiteral(".pg-i6>.J_TWidget")).center(), Box(QStringLiteral(".pg-i6")).center());
        QVERIFY(ClickAt(QStringLiteral(".pg-i6")));
        QTRY_VERIFY_WITH_TIMEOUT(!Visible(QStringLiteral(".pg-i6>.J_TWidget")), 3000);
    }

    // Popups as generators write them show where they are meant to: a
    // point written the other way round ('lt') is read letter by letter, as
    // the storefront reads it, so a menu drops below its link; an overlay
    // hidden with visibility:hidden as well as the class shows; a trigger
    // named by a numbered class ('.31907item6', which CSS refuses) is found.
    void popupsAsGeneratorsWriteThem()
    {
        QVERIFY(Show(StoredFragment(QStringLiteral("popup-menus.html"))));
        QVERIFY(PointAt(QStringLiteral(".pm-new")));
        const QString menu = QStringLiteral("[data-widget-config*=pm-new]");
        QTRY_VERIFY_WITH_TIMEOUT(Visible(menu), 3000);
        QCOMPARE(Box(menu).topLeft(), Box(QStringLiteral(".pm-new")).bottomLeft());

        QVERIFY(Show(StoredFragment(QStringLiteral("item-zoom.html"))));
        const QString item = QStringLiteral("[class~='31907item6']");
        const QString zoom = QStringLiteral(".zm-popups>:nth-child(7)");
        QVERIFY(PointAt(item));
        QTRY_VERIFY_WITH_TIMEOUT(Visible(zoom) && Eval(QStringLiteral("getComputedStyle(document.querySelector(%1))"
                                                                      ".visibility").arg(Quoted(zoom))).toString() == "visible",
                                 3000);
        // The second row's middle items grow up from their bottom centre.
        const QRectF pic = Box(item), big = Box(zoom);
        QCOMPARE(QPointF(big.center().x(), big.bottom()), QPointF(pic.center().x(), pic.bottom()));
        QCOMPARE(page_->messages, QStringList());
    }

    // Countdowns in each form of endTime: they show the time left in their
    // units, padded, tick on the interval, and at the end swap their
    // running part for their end part; a date past is over at once.
    void countdownsTickAndEnd()
    {
        QVERIFY(Show(StoredFragment(QStringLiteral("countdown.html"))));
        const auto units = [this](const QString& css) {
            return Eval(QStringLiteral("[].map.call(document.querySelectorAll('%1'),"
                                       "function(e){return e.textContent;}).join(' ')").arg(css)).toString();
        };
        // 90,061 s: one day, one hour, one minute and a second, running down.
        QTRY_COMPARE_WITH_TIMEOUT(units(QStringLiteral(".cd-a span")), QStringLiteral("01 01 00 59"), 3000);
        const QString days = Eval(QStringLiteral("String(Math.floor((new Date(2031,5,18,20,0,0)-Date.now())/864e5))")).toString();
        QVERIFY(units(QStringLiteral(".cd-c b")).startsWith(days + QLatin1Char(' ')));
        QVERIFY(Visible(QStringLiteral(".cd-a .ks-countdown-run")) && !Visible(QStringLiteral(".cd-a .ks-countdown-end")));

        // A numeric string of 3 s, in seconds and tenths.
        QVERIFY(units(QStringLiteral(".cd-b em")).contains(QRegularExpression(QStringLiteral("^[0-2] [0-9]$"))));
        QVERIFY(!Visible(QStringLiteral(".cd-b .end")));
        QTRY_VERIFY_WITH_TIMEOUT(Visible(QStringLiteral(".cd-b .end")), 5000);
        QVERIFY(!Visible(QStringLiteral(".cd-b .run")));
        QCOMPARE(units(QStringLiteral(".cd-b em")), QStringLiteral("0 0"));

        QVERIFY(Visible(QStringLiteral(".cd-d .ks-countdown-end")) && !Visible(QStringLiteral(".cd-d .ks-countdown-run")));
        QCOMPARE(page_->messages, QStringList());
    }

    // Widgets nested as generators make them each work: the middle Tabs'
    // content is a box inside the inner Carousel, whose dot list, as that
    // Tabs' faded panel, lies absolutely over the carousel's bottom; the dots
    // switch the carousel.
    void nestedWidgetsEachWork()
    {
        QVERIFY(Show(StoredFragment(QStringLiteral("nested-tabs.html"))));
        QCOMPARE(Eval(QStringLiteral("ravikWidgets.alive")).toInt(), 5);
        QCOMPARE(page_->messages, QStringList());
        QCOMPARE(Box(QStringLiteral(".nt-dots")).bottom(), Box(QStringLiteral(".nt-carousel")).bottom() - 14);
        QVERIFY(ClickAt(QStringLiteral(".nt-dots>li:nth-child(3)")));
        QTRY_VERIFY_WITH_TIMEOUT(Eval(QStringLiteral("document.querySelector('.nt-dots>li:nth-child(3)').classList.contains('ks-active')"))
                                     .toBool(), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(Visible(QStringLiteral(".nt-slides>li:nth-child(3)")), 3000);
    }

    // Accordions as real modules write them: triggers and panels named by
    // class anywhere inside, opened by a click; one open at a time, or
    // several with "multiple".
    void classNamedAccordions()
    {
        QVERIFY(Show(StoredFragment(QStringLiteral("accordion.html"))));
        const auto open = [this](const QString& box, const QString& panel) {
            return Eval(QStringLiteral("[].filter.call(document.querySelectorAll('%1 .%2'),function(e){"
                                       "return getComputedStyle(e).display!=='none';}).length+':'+"
                                       "[].map.call(document.querySelectorAll('%1 .%2'),function(e,i){"
                                       "return getComputedStyle(e).display!=='none'?i:'';}).join('')").arg(box, panel)).toString();
        };
        QVERIFY(ClickAt(QStringLiteral(".ac-box .ac-item:nth-child(3) .ac-title")));
        QTRY_COMPARE_WITH_TIMEOUT(open(QStringLiteral(".ac-box"), QStringLiteral("ac-body")), QStringLiteral("1:2"), 3000);
        QVERIFY(ClickAt(QStringLiteral(".faq>:nth-child(5)")));   // the third trigger
        QTRY_COMPARE_WITH_TIMEOUT(open(QStringLiteral(".faq"), QStringLiteral("ks-switchable-panel")), QStringLiteral("2:02"), 3000);
        QVERIFY(ClickAt(QStringLiteral(".faq>:nth-child(1)")));
        QTRY_COMPARE_WITH_TIMEOUT(open(QStringLiteral(".faq"), QStringLiteral("ks-switchable-panel")), QStringLiteral("1:2"), 3000);
        QCOMPARE(page_->messages, QStringList());
    }

    // A time too long for the browser's clock means never, not at once: a
    // huge interval leaves the slides where they are (setTimeout would take
    // it for 0 and switch them every few milliseconds); an absurd hover
    // delay is the default one.
    void hugeTimesAreKeptInRange()
    {
        for (const char* interval : {"2147484", "'1e308'", "'Infinity'"}) {
            QVERIFY(Show(Widget(QStringLiteral("Slide"), QStringLiteral("{interval:%1}").arg(QLatin1String(interval)))));
            Eval(QStringLiteral("window.switches=0;new MutationObserver(function(){++switches;}).observe("
                                "document.querySelector('#w [data-t=nav]'),{attributes:true,subtree:true});"));
            QTest::qWait(500);
            QVERIFY2(Eval(QStringLiteral("switches")).toInt() == 0, interval);
        }
        QVERIFY(Show(Widget(QStringLiteral("Tabs"), QStringLiteral("{delay:1e308}"))));
        QVERIFY(Act(QStringLiteral("hover:nav>2")));
        QTRY_COMPARE_WITH_TIMEOUT(Eval(StateScript(QStringLiteral("ks-active"))).toString(), QStringLiteral("2|2|-x"), 2000);
    }

    // A widget with panels and no triggers gets numbered ones, as the
    // storefront's runtime makes them; hasTriggers: false means none.
    void triggersAreMadeUnlessNone()
    {
        const QString widget = QStringLiteral("<div class=\"J_TWidget\" id=\"w\" data-widget-type=\"Tabs\" data-widget-config=\"%1\">"
                                              "<div class=\"ks-switchable-content\"><div>a</div><div>b</div></div></div>");
        const QString triggers = QStringLiteral(
            "(function(){var n=document.querySelector('#w>ul.ks-switchable-nav');return n?[].map.call(n.children,"
            "function(li){return li.textContent+(li.classList.contains('ks-active')?'*':'');}).join(','):'none';})()");
        QVERIFY(Show(widget.arg(QString())));
        QCOMPARE(Eval(triggers).toString(), QStringLiteral("1*,2"));
        QVERIFY(Show(widget.arg(QStringLiteral("{hasTriggers:false}"))));
        QCOMPARE(Eval(triggers).toString(), QStringLiteral("none"));
    }

    // restart() stops the widgets whose element changed or went, and starts
    // the listed elements afresh as at page start.
    void restartStartsChangedWidgetsAfresh()
    {
        const QString state = StateScript(QStringLiteral("ks-active"));
        // Paused by no pointer, wherever the last test left it.
        QVERIFY(Show(Widget(QStringLiteral("Slide"), QStringLiteral("{interval:0.2,pauseOnHover:false}"))));
        QTRY_VERIFY_WITH_TIMEOUT(Eval(state).toString() != QLatin1String("0|0|--"), 6000);

        // Options changed in place: the old autoplay must not go on.
        QCOMPARE(Eval(QStringLiteral("var w=document.getElementById('w');"
                                     "w.setAttribute('data-widget-config','{autoplay:false}');ravikWidgets.restart([w])")).toInt(), 1);
        const QString held = Eval(state).toString();
        QTest::qWait(600);
        QCOMPARE(Eval(state).toString(), held);

        // The element replaced by new markup: the new one plays.
        QCOMPARE(Eval(QStringLiteral("var old=document.getElementById('w'),t=document.createElement('template');"
                                     "t.innerHTML=old.outerHTML.replace('{autoplay:false}','{interval:0.2,pauseOnHover:false}');"
                                     "var w=t.content.firstChild;old.replaceWith(w);ravikWidgets.restart([w])")).toInt(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(Eval(state).toString() != held, 6000);
        QCOMPARE(Eval(QStringLiteral("ravikWidgets.alive")).toInt(), 1);
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
