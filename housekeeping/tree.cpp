// Listing trees of the FileSync engine. Names of one directory often share their beginning
// ("file0001", "file0002" ...) but rarely their end, so comparing from the end keeps the tree
// shallow for the usual listings. Every operation is a loop, and freeing follows the insertion
// chain, so even a degenerate tree never deepens the stack.
#include "housekeeping/tree.h"
#include <stdlib.h>
#include <string.h>

namespace {

// The order lstrcmpA gives one-character strings, as a rank per character (equal ranks for
// characters it takes as equal). Asking lstrcmpA for every character pair of every
// comparison made listing a large directory slow; one table, built once per process on
// first use from either thread, gives the same answers.
struct CHARACTER_ORDER {
    unsigned short rank[256];
};

int CompareCharacters(unsigned char a, unsigned char b)
{
    const char x[2] = {(char)a, 0};
    const char y[2] = {(char)b, 0};
    return lstrcmpA(x, y);
}

CHARACTER_ORDER BuildCharacterOrder()
{
    // Insertion sort by lstrcmpA, then ranks that rise wherever it tells neighbours apart.
    unsigned char sorted[255];
    for (int i = 0; i < 255; ++i) {
        const unsigned char c = (unsigned char)(i + 1);
        int j = i;
        while (j > 0 && CompareCharacters(c, sorted[j - 1]) < 0) {
            sorted[j] = sorted[j - 1];
            --j;
        }
        sorted[j] = c;
    }
    CHARACTER_ORDER order = {};
    unsigned short rank = 1;
    order.rank[sorted[0]] = rank;
    for (int i = 1; i < 255; ++i) {
        if (CompareCharacters(sorted[i - 1], sorted[i]) != 0) ++rank;
        order.rank[sorted[i]] = rank;
    }
    return order;
}

const CHARACTER_ORDER& CharacterOrder()
{
    static const CHARACTER_ORDER order = BuildCharacterOrder();  // thread-safe initialisation
    return order;
}

// lstrcmpA of the two names read backwards, character by character from the end.
int CompareReversed(const char* a, const char* b)
{
    const unsigned short* rank = CharacterOrder().rank;
    size_t i = strlen(a);
    size_t j = strlen(b);
    while (i > 0 && j > 0) {
        const int c = (int)rank[(unsigned char)a[--i]] - (int)rank[(unsigned char)b[--j]];
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
