#pragma once
// What the program does before and after the application object exists,
// apart from building the window.
class QApplication;
class QString;
class QTextDocument;

// Before the application object: the embedded browser's process settings.
// Its sandbox cannot run as root, so it is switched off then (only then);
// without a GPU device (virtual displays, headless runs) the browser draws
// in software from the start instead of failing over to it, and its views
// are painted into the window as pictures rather than through OpenGL. Also
// has the application object, while it is being constructed, build Qt's
// font database and the template boxes' documents on a second thread, so
// the window finds them ready. That thread has ended when InitialiseApplication,
// RegisterFontSubstitutions or TakePreparedDocument returns.
void PrepareProcess();

// The document made for a template box holding `text`, laid out for a
// QPlainTextEdit and living on the main thread; the caller takes it over.
// nullptr when none was made (PrepareProcess came after the application
// object) or it was taken already.
QTextDocument* TakePreparedDocument(const QString& text);

// After the application object: Qt's Chinese translations, the font
// substitutions that map the fonts the window names to installed ones, and
// the picture formats. Waits for the start-up thread to end first.
void InitialiseApplication(QApplication& app);

// Maps "宋体", "新宋体", "Tahoma", "Verdana" and "Marlett" to installed fonts
// that hold Chinese and Latin glyphs. QFont::family() keeps the requested
// name, so saved rich text still names it.
void RegisterFontSubstitutions();

// Loads qtbase_zh_CN from Qt's translations into the application; false
// when the file is not there.
bool InstallChineseTranslations(QApplication& app);
