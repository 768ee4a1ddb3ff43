#pragma once
// The seam to the desktop shell: opening a document with the application
// the desktop chooses for its type. Tests install their own TShell so no
// test starts a real browser.
#include <QString>

class TShell {
public:
    virtual ~TShell() = default;

    // Opens a local file with its default application, in a normal window.
    // Returns what the desktop answered; callers may ignore it.
    virtual bool OpenDocument(const QString& path) = 0;

    // The shell in use; the desktop's unless a test set another.
    static TShell& Instance();
    // Takes no ownership; nullptr restores the desktop's shell.
    static void SetInstance(TShell* shell);
};

class TDesktopShell : public TShell {
public:
    bool OpenDocument(const QString& path) override;
};
