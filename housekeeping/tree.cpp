// Listing trees of the FileSync engine. Names of one directory often share their beginning
// ("file0001", "file0002" ...) but rarely their end, so comparing from the end keeps the tree
// shallow for the usual listings. Every operation is a loop, and freeing follows the insertion
// chain, so even a degenerate tree never deepens the stack.
#include "housekeeping/tree.h"
#include <stdlib.h>
#include <string.h>

namespace {

// lstrcmpA of the two names read backwards, character by character from the end.
int CompareReversed(const char* a, const char* b)
{
    size_t i = strlen(a);
    size_t j = strlen(b);
    while (i > 0 && j > 0) {
        const char x[2] = {a[--i], 0};
        const char y[2] = {b[--j], 0};
        const int c = lstrcmpA(x, y);
        if (c != 0) return c;
    }
    if (i == j) return 0;
    return i > 0 ? 1 : -1;  // the shorter name, read backwards, is a prefix of the longer
}

// Inserting appends to the insertion chain. Walking the chain for its tail at every insert
// would make a listing of n names cost n*n steps, so the thread remembers the tail of the tree
// it inserted into last; TREE_free forgets it when it frees that tree.
thread_local TREE_ITEM* t_lastRoot = nullptr;
thread_local TREE_ITEM* t_lastTail = nullptr;

TREE_ITEM* ChainTail(TREE_ITEM* root)
{
    TREE_ITEM* tail = (root == t_lastRoot && t_lastTail) ? t_lastTail : root;
    while (tail->next) tail = tail->next;
    return tail;
}

}  // namespace

TREE_ITEM* TREE_insert(TREE_ITEM* root, const char* name, FILETIME time, BOOL isDirectory)
{
    if (!name) return root;
    TREE_ITEM** link = &root;
    while (*link) {
        const int c = CompareReversed(name, (*link)->name);
        if (c == 0) return root;
        link = c < 0 ? &(*link)->left : &(*link)->right;
    }
    TREE_ITEM* item = (TREE_ITEM*)calloc(1, sizeof(TREE_ITEM));
    if (!item) return root;
    const size_t length = strlen(name);
    item->name = (char*)malloc(length + 1);
    if (!item->name) {
        free(item);
        return root;
    }
    memcpy(item->name, name, length + 1);
    item->time = time;
    item->isDirectory = isDirectory;
    if (root) ChainTail(root)->next = item;
    *link = item;
    t_lastRoot = root;
    t_lastTail = item;
    return root;
}

void TREE_free(TREE_ITEM* root)
{
    if (root && root == t_lastRoot) t_lastRoot = t_lastTail = nullptr;
    while (root) {
        TREE_ITEM* next = root->next;
        free(root->name);
        free(root);
        root = next;
    }
}

TREE_ITEM* TREE_find(TREE_ITEM* root, const char* name)
{
    if (!name) return nullptr;
    while (root) {
        const int c = CompareReversed(name, root->name);
        if (c == 0) return root;
        root = c < 0 ? root->left : root->right;
    }
    return nullptr;
}
