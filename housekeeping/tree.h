#pragma once
// Directory listings as binary search trees keyed by the reversed name (compared from the last
// character on, case-sensitive), with an insertion chain that keeps the listing's order.
#include <windows.h>
#include "core/export.h"

struct TREE_ITEM {
    TREE_ITEM* left;
    TREE_ITEM* right;
    TREE_ITEM* next;   // the entry inserted after this one (only the root's chain is complete)
    char* name;        // own heap copy
    FILETIME time;     // last-write time of a file, creation time of a directory
    BOOL isDirectory;
};

// Inserts name unless an equal name is there; returns the (possibly new) root. A node that
// cannot be allocated is left out.
CUSTOR_C TREE_ITEM* TREE_insert(TREE_ITEM* root, const char* name, FILETIME time,
                                BOOL isDirectory);
// Frees every entry of the tree and its names.
CUSTOR_C void TREE_free(TREE_ITEM* root);
// The entry with exactly this name, or null.
CUSTOR_C TREE_ITEM* TREE_find(TREE_ITEM* root, const char* name);
