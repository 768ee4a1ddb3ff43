#include "PageElements.h"

std::vector<TPageElement> PageElements(const GumboNode* document)
{
    struct TOpen {
        const GumboNode* Node;
        bool Displayed;
        int Parent;
    };
    std::vector<TPageElement> out;
    // Depth first by hand: a page of ten thousand unclosed tags is that deep.
    std::vector<TOpen> stack{{document, true, -1}};
    int ordinal = 0;
    while (!stack.empty()) {
        const auto [node, displayed, parent] = stack.back();
        stack.pop_back();
        const GumboVector* children = nullptr;
        bool childrenDisplayed = displayed;
        int childrenParent = parent;
        if (node->type == GUMBO_NODE_DOCUMENT) {
            children = &node->v.document.children;
        } else if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) {
            childrenParent = static_cast<int>(out.size());
            out.push_back({node, displayed ? ordinal++ : -1, parent});
            children = &node->v.element.children;
            if (node->type == GUMBO_NODE_TEMPLATE ||
                (node->v.element.tag == GUMBO_TAG_NOSCRIPT && node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML))
                childrenDisplayed = false;
        }
        if (!children)
            continue;
        for (unsigned i = children->length; i-- > 0;)
            stack.push_back({static_cast<const GumboNode*>(children->data[i]), childrenDisplayed, childrenParent});
    }
    return out;
}

bool IsParserCopy(const GumboNode* element)
{
    constexpr unsigned kCopyFlags =
        GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT | GUMBO_INSERTION_ADOPTION_AGENCY_CLONED;
    return (element->parse_flags & kCopyFlags) != 0;
}
