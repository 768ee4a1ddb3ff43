#pragma once
// One parse of an HTML page by gumbo (a full HTML5 tokenizer and tree
// builder that keeps source positions), with all its memory in blocks of our
// own that go in one piece with this object.
//
// gumbo's own clean-up walks the tree recursively and overflows the stack on
// a deeply nested page (some ten thousand unclosed tags); with the blocks,
// nothing walks the tree to free it. It is faster too: the parser makes and
// drops many small buffers, and dropping them costs nothing here.
#include <gumbo.h>

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

class TGumboTree {
public:
    explicit TGumboTree(std::string_view html);
    TGumboTree(const TGumboTree&) = delete;
    TGumboTree& operator=(const TGumboTree&) = delete;

    // The document node; the tree points into the html it was given, which
    // must outlive this object.
    const GumboNode* Document() const { return output_->document; }

private:
    static void* Allocate(void* self, size_t size);
    static void Release(void*, void*) {}

    struct TBlockFree {
        void operator()(char* block) const;
    };
    std::vector<std::unique_ptr<char, TBlockFree>> blocks_;
    char* next_ = nullptr;
    size_t left_ = 0;
    GumboOutput* output_ = nullptr;
};
