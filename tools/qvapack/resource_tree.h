// A PE resource tree (type, name, language) read from an image, changed in
// memory and laid out anew: directory tables, data entries and name strings
// first, then the data, each item on an 8-byte boundary.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/qvapack/host_file.h"
#include "tools/qvapack/pe_image.h"

// The name of one entry: a number or a UTF-16 text.
struct ResourceName {
    bool isText = false;
    uint16_t id = 0;
    std::u16string text;
};

struct ResourceNode {
    ResourceName name;  // unused at the root
    // A directory: its header fields and entries.
    uint32_t characteristics = 0;
    uint32_t timeDateStamp = 0;
    uint16_t majorVersion = 0;
    uint16_t minorVersion = 0;
    std::vector<ResourceNode> children;
    // A leaf: the data.
    bool isLeaf = false;
    uint32_t codePage = 0;
    uint32_t size = 0;
    uint32_t stubAddress = 0;  // where the stub holds the data
    std::vector<uint8_t> data;  // the stub's data, once loaded
    bool written = false;       // the caller writes the data itself (a payload stream)
    // Places in the new section.
    uint32_t tableOffset = 0;  // the directory table or the data entry
    uint32_t nameOffset = 0;   // the name string
    uint32_t dataOffset = 0;   // the data
};

// Reads the tree of the image's resource directory (structure only, no
// data). False with problem set when it is damaged.
bool ReadResourceTree(HostFile& file, const PeImage& image, ResourceNode& root, std::string& problem);
// Loads the data of every leaf not marked written.
bool LoadResourceData(HostFile& file, const PeImage& image, ResourceNode& root, std::string& problem);

// The child named name, or null.
ResourceNode* FindResource(ResourceNode& directory, const ResourceName& name);
// Removes the child named name; false when there was none.
bool RemoveResource(ResourceNode& directory, const ResourceName& name);
// Adds a child in its sorted place (texts before numbers, each in order) and returns it.
ResourceNode& AddResource(ResourceNode& directory, const ResourceName& name);

// Lays out the tables and the loaded data: sets every offset except the
// data offsets of written leaves, and returns where their data may start.
uint32_t LayOutResources(ResourceNode& root);
// The tables (directories, data entries, names) for a section at sectionAddress.
std::vector<uint8_t> ResourceTables(const ResourceNode& root, uint32_t sectionAddress);
// Calls visit for every leaf, in the order of the layout.
template <typename Visit>
void ForEachResourceLeaf(ResourceNode& node, Visit visit)
{
    for (ResourceNode& child : node.children) {
        if (child.isLeaf)
            visit(child);
        else
            ForEachResourceLeaf(child, visit);
    }
}
