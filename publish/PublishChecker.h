#pragma once
// Runs the publish check for the editor, in a process of its own.
//
// The parser is a C library fed with whatever the user pasted. Some pages
// make it assert (which ends its process), some make it work for minutes
// (tens of thousands of unclosed tags). In a process of its own such a page
// costs the editor nothing: the process is stopped after a time limit, and
// its end is reported as a note instead of findings. It also runs beside the
// browser loading the page, so a preview is not slower for the check.
//
// A check that ends without a report (stopped at the time limit, crashed,
// could not start, wrote something that is no report or too much of it)
// gives a report that says why under "unfinished", with the region of the
// page, so that the page shows the note where it would show findings:
// never a page that looks clean.
#include "PublishCheck.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>

class QProcess;

class TPublishChecker : public QObject {
    Q_OBJECT
public:
    explicit TPublishChecker(QObject* parent = nullptr);
    ~TPublishChecker() override;

    // The checking program; by default ravik-publish-check beside this one.
    QString Program() const { return program_; }
    void SetProgram(const QString& path) { program_ = path; }
    // The user's rule file; by default UserPublishRulesPath().
    void SetRulesFile(const QString& path) { rulesFile_ = path; }
    // The time a check may take: this much, and a second more per megabyte
    // of code. By default 5 s, or the milliseconds the environment variable
    // RAVIK_PUBLISH_TIME_LIMIT gives (for tests of the real program, and
    // machines too slow for the default).
    void SetTimeLimit(int milliseconds) { timeLimit_ = milliseconds; }

    // Starts checking `input`, read as it is now; a check still running is
    // stopped, as only the latest one matters. Finished follows, unless
    // another Start comes first.
    void Start(const TPublishInput& input);
    bool Running() const { return process_ != nullptr; }

signals:
    // The report as PublishReportJson() makes it; when the check failed, a
    // report with only the region and "unfinished" saying why.
    void Finished(const QJsonObject& report);

private:
    void Stop();
    void ProcessEnded();
    void Fail(const QString& reason);

    QString program_;
    QString rulesFile_;
    int timeLimit_ = 5000;
    QProcess* process_ = nullptr;
    QTimer deadline_;
    // The page of the check running, without code: where its findings go.
    TPublishInput frame_;
    QJsonObject frameRegion_;
};

// The checking program reads this from its standard input: one line
// "<storefront> <head length> <code length> <tail length>\n" (lengths in
// UTF-16 units), then the three texts as UTF-16 in the machine's byte order.
// It writes the report as compact JSON to its standard output.
QByteArray PublishCheckRequest(const TPublishInput& input);
bool ReadPublishCheckRequest(const QByteArray& request, TPublishInput* input);
