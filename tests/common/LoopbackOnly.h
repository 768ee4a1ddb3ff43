#pragma once
// These machines have no name service: a remote host would hold every load
// for seconds. Tests and benchmarks of the embedded browser let only the
// loopback address be reached.
#include <QWebEngineUrlRequestInterceptor>

class LoopbackOnly : public QWebEngineUrlRequestInterceptor {
public:
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        const QUrl url = info.requestUrl();
        if (url.scheme().startsWith(QLatin1String("http")) && url.host() != QLatin1String("127.0.0.1"))
            info.block(true);
    }
};
