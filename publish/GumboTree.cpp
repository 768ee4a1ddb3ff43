#include "GumboTree.h"

#include <cstdlib>

#include <sys/mman.h>

namespace {
constexpr size_t kBlockSize = 4 << 20;
constexpr size_t kAlignment = alignof(std::max_align_t);
constexpr size_t kHugePage = 2 << 20;
}

void TGumboTree::TBlockFree::operator()(char* block) const
{
    std::free(block);
}

TGumboTree::TGumboTree(std::string_view html)
{
    GumboOptions options = kGumboDefaultOptions;
    options.allocator = &TGumboTree::Allocate;
    options.deallocator = &TGumboTree::Release;
    options.userdata = this;
    // Parse errors are not wanted, and a broken page has one per character.
    options.max_errors = 0;
    output_ = gumbo_parse_with_options(&options, html.data(), html.size());
}

void* TGumboTree::Allocate(void* self, size_t size)
{
    auto* tree = static_cast<TGumboTree*>(self);
    size = (size + kAlignment - 1) & ~(kAlignment - 1);
    if (size > tree->left_) {
        const size_t blockSize = size > kBlockSize / 4 ? size : kBlockSize;
        char* block = static_cast<char*>(std::aligned_alloc(kHugePage, (blockSize + kHugePage - 1) & ~(kHugePage - 1)));
        // gumbo cannot be told that memory ran out (it would use the null
        // pointer), and unwinding through its C frames is not possible.
        if (!block)
            std::abort();
#ifdef MADV_HUGEPAGE
        // A megabyte of code makes ten of tree: in large pages that is a
        // handful of page faults instead of thousands.
        madvise(block, blockSize, MADV_HUGEPAGE);
#endif
        tree->blocks_.emplace_back(block);
        if (blockSize != kBlockSize) {
            // A large piece of its own; the current block goes on.
            return block;
        }
        tree->next_ = block;
        tree->left_ = blockSize;
    }
    void* piece = tree->next_;
    tree->next_ += size;
    tree->left_ -= size;
    return piece;
}
