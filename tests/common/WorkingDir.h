#pragma once
// A temporary folder made the working directory while the object lives, so
// that what the program writes beside itself (files/cache.html) lands there
// and not in the build tree; the old one comes back at the end.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

class WorkingDir {
public:
    // With `withFiles`, the "files" folder the cache page goes in is made too.
    explicit WorkingDir(bool withFiles = true) : old_(QDir::currentPath())
    {
        if (withFiles)
            MakeFiles();
        QDir::setCurrent(dir_.path());
    }
    ~WorkingDir() { QDir::setCurrent(old_); }
    WorkingDir(const WorkingDir&) = delete;
    WorkingDir& operator=(const WorkingDir&) = delete;

    QString Path() const { return dir_.path(); }
    QString FilePath(const QString& name) const { return dir_.filePath(name); }
    void MakeFiles() { QDir(dir_.path()).mkdir(QStringLiteral("files")); }
    bool HasCachePage() const { return QFile::exists(FilePath(QStringLiteral("files/cache.html"))); }
    QByteArray CachePage() const
    {
        QFile f(FilePath(QStringLiteral("files/cache.html")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QTemporaryDir dir_;
    QString old_;
};
