// ravik-publish-check: the publish check in a process of its own (see
// PublishChecker.h). Reads one request from standard input, writes the
// report as JSON to standard output. The argument is the user's rule file.
#include "PublishChecker.h"
#include "PublishReportJson.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <sys/resource.h>

#include <cstdio>

int main(int argc, char** argv)
{
    // Some broken pages make the parser's tree grow far beyond the page;
    // such a check fails here rather than taking the machine's memory.
    // (Not under the address sanitizer, whose shadow memory alone is larger.)
#ifndef __SANITIZE_ADDRESS__
    const rlim_t memory = rlim_t(3) << 30;
    const rlimit limit{memory, memory};
    setrlimit(RLIMIT_AS, &limit);
#endif

    // The reader of widget options runs in a JavaScript engine, which wants
    // the application object.
    QCoreApplication application(argc, argv);

    QByteArray request;
    char buffer[1 << 16];
    size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof buffer, stdin)) > 0)
        request.append(buffer, static_cast<qsizetype>(read));
    TPublishInput input;
    if (!ReadPublishCheckRequest(request, &input))
        return 2;
    request.clear();

    const TLoadedRules rules = LoadPublishRules(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
    TPublishReport report = CheckPublish(rules.Rules, input);
    report.Note = rules.Problem;
    const QByteArray json = QJsonDocument(PublishReportJson(report)).toJson(QJsonDocument::Compact);
    return std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout) == static_cast<size_t>(json.size())
               ? 0
               : 1;
}
