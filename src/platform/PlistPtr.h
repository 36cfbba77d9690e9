#pragma once

#include <memory>
#include <plist/plist.h>

// Owns a libplist node tree and frees it once, however the scope is left.
struct PlistDeleter
{
    void operator()(void *node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;
