#pragma once
// Hot areas as code: finding a picture of the displayed page back in the
// code, reading the hot areas it already has there (an image map, or a box
// of absolutely placed links, written by us or by anyone), and writing new
// ones in its place, leaving every other byte of the code as it was.
//
// The page is parsed as the publish check parses it, and its elements are
// numbered the same way (publish/PageElements.h): the number the page gives
// for an element is the number of the same element here.
#include "HotAreas.h"

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <memory>
#include <optional>

// What the page says lies under the pointer: ravikHitTest's answer
// (preview/web/hittest.js).
struct TPictureHit {
    int Element = -1;        // the element's number in the page as parsed; -1 when a script made it
    QString Tag;             // lower case
    QString Source;          // an img's src attribute as written
    QUrl Picture;            // the picture's address as the page resolved it
    bool Background = false; // a background picture rather than an img
    QSize Size;              // CSS pixels: an img's content box, an element's padding box
    bool Loaded = false;     // the page has the picture
    bool Positioned = false; // its computed position is not static
    // How a background picture is laid on the element, as computed.
    QString BackgroundSize;
    QString BackgroundPosition;   // "x y"
    QString BackgroundRepeat;

    // The answer read from the page; nullopt when nothing under the pointer
    // is a picture.
    static std::optional<TPictureHit> FromVariant(const QVariant& value);
};

// Where a background picture of `natural` size is drawn on the hit
// element, as the hit describes its placement; tiles repeat from there.
QRect BackgroundPlacement(const TPictureHit& hit, QSize natural);

// The picture as the page shows it on the hit element, at the element's CSS
// size: an img's picture scaled to its box, a background laid as the page
// lays it (tiled where it repeats) on white. A null image stays null.
QImage PictureAsShown(const TPictureHit& hit, const QImage& natural);

struct TCodeEdit {
    qsizetype From = 0;   // [From, To) of the code, replaced by Text
    qsizetype To = 0;
    QString Text;
};

// `code` with `edits` (in order, not overlapping) made.
QString ApplyCodeEdits(const QString& code, const QList<TCodeEdit>& edits);

class THotAreaCode {
public:
    // Finds the hit picture in `code`, the module's code as it went into
    // the page head + code + tail. Problem() says why when it cannot be
    // edited.
    THotAreaCode(const QString& head, const QString& code, const QString& tail, const TPictureHit& hit);
    ~THotAreaCode();
    THotAreaCode(const THotAreaCode&) = delete;
    THotAreaCode& operator=(const THotAreaCode&) = delete;

    // Empty when the picture can be edited; otherwise a message for the user.
    QString Problem() const { return problem_; }
    // The picture's size in CSS pixels, as the areas are measured.
    QSize PictureSize() const { return size_; }
    // The areas it has in the code, in stacking order (the topmost last).
    const QList<THotArea>& Areas() const { return areas_; }
    // The form they were found in, if any.
    std::optional<THotOutput> Written() const { return written_; }
    // Whether `areas` can be written as `output`; `why` gets the reason
    // when not.
    bool Allows(THotOutput output, const QList<THotArea>& areas, QString* why = nullptr) const;

    // The edits that put `areas` into the code as `output`: the picture's
    // code, and its map or link box, replaced, nothing else touched.
    QList<TCodeEdit> Edits(const QList<THotArea>& areas, THotOutput output) const;

private:
    struct TData;
    std::unique_ptr<TData> d_;
    QString problem_;
    QSize size_;
    QList<THotArea> areas_;
    std::optional<THotOutput> written_;
};
