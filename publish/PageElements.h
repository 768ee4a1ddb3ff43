#pragma once
// The elements of a parsed page in document order, numbered as the browser's
// document has them, so that an element found here and one found in the
// displayed page can be told to be the same by their number alone.
//
// Elements inside <template> (which holds its content apart from the
// document) and <noscript> (plain text to a browser that runs scripts) are
// listed too, but the displayed page has no element for them.
#include <gumbo.h>

#include <vector>

struct TPageElement {
    const GumboNode* Node;
    int Ordinal;   // among the displayed page's elements, from 0; -1 when it is not one
    int Parent;    // the index of its parent element in the list; -1 for the root
};

std::vector<TPageElement> PageElements(const GumboNode* document);

// Made by the parser as a copy of another element (a formatting element
// reopened, or cloned by the adoption agency): its start tag is the other's.
bool IsParserCopy(const GumboNode* element);
