#pragma once
// These machines have no name service: every remote host a page names would
// add seconds of waiting to a load. Benchmarks let only the loopback address
// be reached, on every side they compare.
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
