#include "PictureFetch.h"

#include "PageScripts.h"

#include <QColorSpace>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

TPictureFetch::TPictureFetch(QObject* parent) : QObject(parent)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { Finish({}); });
}

TPictureFetch::~TPictureFetch()
{
    // An answer the page gives as it goes finds no fetch.
    done_ = nullptr;
    ++serial_;
    delete page_;
}

void TPictureFetch::Fetch(const QUrl& url, std::function<void(const QImage&)> done, int timeout)
{
    timer_.stop();
    ++serial_;   // the fetch this one overtakes is dropped
    done_ = std::move(done);
    const int serial = ++serial_;
    if (!url.isValid() || url.isEmpty()) {
        QTimer::singleShot(0, this, [this, serial] {
            if (serial == serial_)
                Finish({});
        });
        return;
    }
    if (!page_) {
        page_ = new QWebEnginePage(this);
        page_->settings()->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
        page_->scripts().insert(PageScript(QStringLiteral("picture-pixels.js"), QWebEngineScript::DocumentReady));
        connect(page_, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
            // A load cut short by the next fetch ends as well: only ours counts.
            const int serial = serial_;
            if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
                started_ |= info.url() == url_;
                return;
            }
            if (!done_ || !started_)
                return;
            if (info.status() != QWebEngineLoadingInfo::LoadSucceededStatus) {
                Finish({});
                return;
            }
            page_->runJavaScript(QStringLiteral("ravikPicturePixels()"), PageScriptWorld, [this, serial](const QVariant& v) {
                if (serial != serial_)
                    return;
                const QString data = v.toString();
                const qsizetype comma = data.indexOf(u',');
                QImage image;
                if (data.startsWith(QLatin1String("data:image/png;base64,")))
                    image.loadFromData(QByteArray::fromBase64(data.mid(comma + 1).toLatin1()), "PNG");
                // The pixels are as the page showed them: no colour conversion
                // is to be made when they are drawn.
                image.setColorSpace(QColorSpace());
                Finish(image);
            });
        });
    }
    url_ = url;
    started_ = false;
    timer_.start(timeout);
    page_->load(url);
}

void TPictureFetch::Finish(const QImage& image)
{
    timer_.stop();
    ++serial_;   // answers still on their way belong to no fetch now
    if (auto done = std::exchange(done_, nullptr))
        done(image);
}
