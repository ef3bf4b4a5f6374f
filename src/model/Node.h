#pragma once

namespace lumadesk {

// The header that studios, unit records and the light node inside every record share, so that
// the studio tree can attach any of them to an item and any of them can be the current node.
enum NodeKind : int {
    NODE_NONE = -1, // not shown in the studio tree (yet)
    NODE_STUDIO = 0,
    NODE_STROBE = 1,
    NODE_LIGHT = 2,
};

// The tree's item handle, opaque to the core.
using TreeItemHandle = void*;

struct NodeHeader {
    int nNodeKind = NODE_NONE;
    TreeItemHandle hTreeItem = nullptr;
    NodeHeader* pParent = nullptr; // not owning
};

} // namespace lumadesk
