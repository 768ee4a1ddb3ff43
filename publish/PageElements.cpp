#include "PageElements.h"

#include <utility>

std::vector<TPageElement> PageElements(const GumboNode* document)
{
    std::vector<TPageElement> out;
    // Depth first by hand: a page of ten thousand unclosed tags is that deep.
    std::vector<std::pair<const GumboNode*, bool>> stack{{document, true}};
    int ordinal = 0;
    while (!stack.empty()) {
        const auto [node, displayed] = stack.back();
        stack.pop_back();
        const GumboVector* children = nullptr;
        bool childrenDisplayed = displayed;
        if (node->type == GUMBO_NODE_DOCUMENT) {
            children = &node->v.document.children;
        } else if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) {
            out.push_back({node, displayed ? ordinal++ : -1});
            children = &node->v.element.children;
            if (node->type == GUMBO_NODE_TEMPLATE ||
                (node->v.element.tag == GUMBO_TAG_NOSCRIPT && node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML))
                childrenDisplayed = false;
        }
        if (!children)
            continue;
        for (unsigned i = children->length; i-- > 0;)
            stack.push_back({static_cast<const GumboNode*>(children->data[i]), childrenDisplayed});
    }
    return out;
}

bool IsParserCopy(const GumboNode* element)
{
    constexpr unsigned kCopyFlags =
        GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT | GUMBO_INSERTION_ADOPTION_AGENCY_CLONED;
    return (element->parse_flags & kCopyFlags) != 0;
}
