#include "PreviewBrowser.h"

#include "PageScripts.h"
#include "PreviewBridge.h"
#include "PreviewPage.h"

#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEngineView>

TPreviewBrowser::TPreviewBrowser(QWidget* parent)
    : QWidget(parent), bridge_(new TPreviewBridge(this)), channel_(new QWebChannel(this))
{
    channel_->registerObject(bridge_->objectName(), bridge_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    watchdog_.setSingleShot(true);
    connect(&watchdog_, &QTimer::timeout, this, &TPreviewBrowser::ReplaceHungPage);
}

TPreviewBrowser::~TPreviewBrowser()
{
    // Pending script callbacks are answered (empty) while the page goes;
    // make them find a browser that is still whole, and ignore them.
    ++probe_;
    watchdog_.stop();
    delete view_;
    delete page_;
}

void TPreviewBrowser::SetResponseTimeout(int milliseconds)
{
    if (milliseconds > 0)
        responseTimeout_ = milliseconds;
}

TPreviewPage* TPreviewBrowser::CreatePage()
{
    auto* page = new TPreviewPage(this);
    InstallPageScripts(*page, *channel_);
    // A page that finishes loading is alive, whatever became of the probe.
    connect(page, &QWebEnginePage::loadFinished, this, [this, page] {
        if (page == page_)
            watchdog_.stop();
    });
    return page;
}

void TPreviewBrowser::CreateView()
{
    view_ = new QWebEngineView(this);
    page_ = CreatePage();
    view_->setPage(page_);
    layout()->addWidget(view_);
}

void TPreviewBrowser::Navigate(const QString& path)
{
    if (!view_)
        CreateView();
    url_ = QUrl::fromLocalFile(path);
    emit NavigationRequested(url_);

    if (hasDocument_) {
        const quint64 probe = ++probe_;
        page_->runJavaScript(QStringLiteral("1"), [this, probe](const QVariant& answer) {
            if (probe == probe_ && answer.isValid())
                watchdog_.stop();
        });
        watchdog_.start(responseTimeout_);
    }
    page_->load(url_);
    hasDocument_ = true;
}

void TPreviewBrowser::ReplaceHungPage()
{
    ++probe_;
    ++pagesReplaced_;
    TPreviewPage* hung = page_;
    page_ = CreatePage();
    view_->setPage(page_);
    // Deleting the page releases its renderer process; the fresh page starts
    // a new one.
    delete hung;
    page_->load(url_);
}
