#pragma once
// Runs a script in a page and waits for its value, with an event loop of its
// own: QTest's waiting sleeps between turns, and an answer crosses the
// window's thread more than once. "<no answer>" when none comes in time
// (a page that hangs or went away), so that a test fails on the value
// instead of waiting forever.
#include "PageScripts.h"
#include "PreviewBrowser.h"
#include "PreviewPage.h"

#include <QEventLoop>
#include <QTimer>
#include <QWebEnginePage>

#include <memory>

inline constexpr int kEvalTimeout = 20000;

// `world` is our scripts' world unless told: it sees the document and our
// globals, not the page's (QWebEngineScript::MainWorld for those).
inline QVariant Eval(QWebEnginePage* page, const QString& script, quint32 world = PageScriptWorld)
{
    // The answer may come after the wait gave up: it must find something
    // alive to write to.
    struct Answer {
        QVariant value;
        bool done = false;
        QEventLoop loop;
    };
    const auto answer = std::make_shared<Answer>();
    page->runJavaScript(script, world, [answer](const QVariant& v) {
        answer->value = v;
        answer->done = true;
        answer->loop.quit();
    });
    if (!answer->done) {
        QTimer::singleShot(kEvalTimeout, &answer->loop, &QEventLoop::quit);
        answer->loop.exec();
    }
    return answer->done ? answer->value : QVariant(QStringLiteral("<no answer>"));
}

inline QVariant Eval(TPreviewBrowser& browser, const QString& script, quint32 world = PageScriptWorld)
{
    return Eval(browser.Page(), script, world);
}
