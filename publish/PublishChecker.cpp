#include "PublishChecker.h"

#include "PublishReportJson.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>

namespace {
// The most a report may take: a complete one is far smaller (see
// PublishReportJson.h); more is not read.
constexpr qint64 kReportMost = 8 << 20;

QString DefaultProgram()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/ravik-publish-check");
#ifdef RAVIK_PUBLISH_CHECK_BUILT
    // Programs run from the build tree (tests, benchmarks) find it where it
    // was built.
    if (!QFileInfo::exists(beside) && QFileInfo::exists(QStringLiteral(RAVIK_PUBLISH_CHECK_BUILT)))
        return QStringLiteral(RAVIK_PUBLISH_CHECK_BUILT);
#endif
    return beside;
}

void AppendUtf16(QByteArray& out, const QString& text)
{
    out.append(reinterpret_cast<const char*>(text.constData()), text.size() * qsizetype(sizeof(QChar)));
}
}

QByteArray PublishCheckRequest(const TPublishInput& input)
{
    QByteArray request = input.Storefront.toUtf8() + ' ' + QByteArray::number(input.Head.size()) + ' ' +
                         QByteArray::number(input.Code.size()) + ' ' + QByteArray::number(input.Tail.size()) + '\n';
    request.reserve(request.size() + (input.Head.size() + input.Code.size() + input.Tail.size()) * 2);
    AppendUtf16(request, input.Head);
    AppendUtf16(request, input.Code);
    AppendUtf16(request, input.Tail);
    return request;
}

bool ReadPublishCheckRequest(const QByteArray& request, TPublishInput* input)
{
    const qsizetype newline = request.indexOf('\n');
    const QList<QByteArray> header = request.left(newline).split(' ');
    if (newline < 0 || header.size() != 4)
        return false;
    qsizetype lengths[3];
    qsizetype total = 0;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        lengths[i] = header[i + 1].toLongLong(&ok);
        if (!ok || lengths[i] < 0 || lengths[i] > request.size())
            return false;
        total += lengths[i];
    }
    if (request.size() - newline - 1 != total * qsizetype(sizeof(QChar)))
        return false;
    const auto* text = reinterpret_cast<const QChar*>(request.constData() + newline + 1);
    input->Storefront = QString::fromUtf8(header[0]);
    input->Head = QString(text, lengths[0]);
    input->Code = QString(text + lengths[0], lengths[1]);
    input->Tail = QString(text + lengths[0] + lengths[1], lengths[2]);
    return true;
}

TPublishChecker::TPublishChecker(QObject* parent)
    : QObject(parent), program_(DefaultProgram()), rulesFile_(UserPublishRulesPath())
{
    bool ok = false;
    if (const int limit = qEnvironmentVariableIntValue("RAVIK_PUBLISH_TIME_LIMIT", &ok); ok && limit > 0)
        timeLimit_ = limit;
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] {
        const int seconds = (deadline_.interval() + 999) / 1000;
        Fail(QStringLiteral("发布检查超过 %1 秒还没有完成，已停下（代码可能嵌套得太深），这次没有检查结果。").arg(seconds));
    });
}

TPublishChecker::~TPublishChecker()
{
    Stop();
}

void TPublishChecker::Start(const TPublishInput& input)
{
    Stop();
    if (input.Head != frame_.Head || input.Tail != frame_.Tail || input.Storefront != frame_.Storefront) {
        // The storefront's own page, parsed here: it is no user's code.
        frame_ = {input.Head, {}, input.Tail, input.Storefront};
        frameRegion_ = PublishReportJson(CheckPublish({}, frame_)).value(QStringLiteral("region")).toObject();
    }
    process_ = new QProcess(this);
    process_->setStandardErrorFile(QProcess::nullDevice());
    connect(process_, &QProcess::finished, this, &TPublishChecker::ProcessEnded);
    connect(process_, &QProcess::readyReadStandardOutput, this, [this] {
        if (process_->bytesAvailable() > kReportMost)
            Fail(QStringLiteral("发布检查的结果超过 %1 MB，已停下，这次没有检查结果。").arg(kReportMost >> 20));
    });
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;   // a crash or a broken pipe ends in ProcessEnded
        Fail(QStringLiteral("发布检查程序 %1 无法启动（%2），这次没有检查结果。")
                 .arg(QDir::toNativeSeparators(program_), process_->errorString()));
    });
    process_->start(program_, {rulesFile_});
    if (!process_)
        return;   // it could not start, and said so
    process_->write(PublishCheckRequest(input));
    process_->closeWriteChannel();
    deadline_.start(timeLimit_ + int(input.Code.size() / 1000));
}

void TPublishChecker::Stop()
{
    deadline_.stop();
    if (!process_)
        return;
    QProcess* process = process_;
    process_ = nullptr;
    disconnect(process, nullptr, this, nullptr);
    process->kill();
    // Reaps the killed process; a killed process ends at once.
    process->waitForFinished(1000);
    process->deleteLater();
}

void TPublishChecker::ProcessEnded()
{
    QProcess* process = process_;
    const QByteArray output = process->readAllStandardOutput();
    const bool clean = process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    Stop();
    if (!clean) {
        Fail(QStringLiteral("发布检查中途出错停下了（代码里可能有解析程序处理不了的写法），这次没有检查结果。"));
        return;
    }
    const QJsonObject report = QJsonDocument::fromJson(output).object();
    if (!report.value(QStringLiteral("findings")).isArray() || !report.value(QStringLiteral("severities")).isArray()) {
        Fail(QStringLiteral("发布检查程序的输出无法读取，这次没有检查结果。"));
        return;
    }
    emit Finished(report);
}

void TPublishChecker::Fail(const QString& reason)
{
    Stop();
    QJsonObject report = PublishReportJson({});
    report.insert(QStringLiteral("unfinished"), reason);
    if (!frameRegion_.isEmpty())
        report.insert(QStringLiteral("region"), frameRegion_);
    emit Finished(report);
}
