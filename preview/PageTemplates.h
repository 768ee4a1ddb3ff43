#pragma once
// The three storefront kinds and their stored page templates: a captured
// storefront page cut where a custom-content module's body begins. The texts
// are compiled in; every line of them, the last one included, ends CR LF.
#include <QString>

enum class TShopVersion { Basic, Professional, Tmall };

struct TPageTemplate {
    QString Head;   // from <!DOCTYPE html> to inside the custom module
    QString Tail;   // closes what the head opened, then the foot and </html>
    // What the page's own scripts look up and set up as it loads, as CSS
    // selectors (the storefront's modules and the lazy pictures in them,
    // forms, ...): elements of the code they match are set up by a load only.
    QString LoadTargets;
};

// "basic", "professional" or "tmall": the name other parts of the program
// (the publish rules among them) know a shop version by.
QString ShopVersionName(TShopVersion version);

// The template of a shop version. Loaded once, then shared.
const TPageTemplate& PageTemplate(TShopVersion version);
