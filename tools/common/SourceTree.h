#pragma once
// The content tools' readable sources (the level table, the farm tables, the
// sound recipes) are text-data documents. A source is read once into plain
// strings: each section becomes a SourceNode with its name and its keys
// lower-cased (names are matched without case), its values as written, and
// its sections in order.

#include <string>
#include <utility>
#include <vector>

struct SourceNode {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries; // key lower-cased
    std::vector<SourceNode> children;
};

// ASCII letters lower-cased; other characters stand.
std::string LowerAscii(std::string text);

// Reads the document of the file at path into root (its top level, with no
// name). False, with "<path>: cannot be read" in error, when the file cannot
// be opened or read as a text-data document.
bool ReadSourceTree(const std::string& path, SourceNode* root, std::string* error);
