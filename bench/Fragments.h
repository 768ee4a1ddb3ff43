#pragma once
// The deterministic one-line decoration fragments the benchmarks work on
// (frag_100k.html, frag_1m.html, frag_4m.html), made by the shared
// make-fragments.py into a folder.
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace fragments {

// Makes the fragments in `folder`; false without python3 or the tool.
inline bool Make(const QString& folder)
{
    const QStringList tools{qEnvironmentVariable("RAVIK_FRAGMENT_TOOL"),
                            // shared/ lies beside the source tree
                            QFileInfo(QStringLiteral(__FILE__)).absolutePath() +
                                QStringLiteral("/../../shared/tools/make-fragments.py"),
                            QStringLiteral("/work/shared/tools/make-fragments.py")};
    for (const QString& tool : tools) {
        if (!tool.isEmpty() && QFile::exists(tool) &&
            QProcess::execute(QStringLiteral("python3"), {tool, QStringLiteral("--outdir"), folder}) == 0)
            return true;
    }
    return false;
}

// A fragment's text; empty when it cannot be read.
inline QString Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace fragments
