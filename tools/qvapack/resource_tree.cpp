#include "tools/qvapack/resource_tree.h"

#include <algorithm>
#include <deque>

namespace {

constexpr uint32_t kHighBit = 0x80000000u;
constexpr int kMaxDepth = 8;
constexpr size_t kMaxEntries = 1 << 16;

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
void Put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

struct TreeReader {
    HostFile& file;
    uint64_t base;      // file offset of the resource directory
    uint32_t size;      // bytes of the section from there
    size_t entries = 0;

    bool Bytes(uint32_t offset, void* buffer, uint32_t count)
    {
        return offset <= size && count <= size - offset && file.ReadAt(base + offset, buffer, count);
    }

    bool Directory(uint32_t offset, ResourceNode& node, int depth, std::string& problem)
    {
        uint8_t header[16];
        if (depth > kMaxDepth || !Bytes(offset, header, sizeof header)) {
            problem = "damaged resource directory";
            return false;
        }
        node.characteristics = Get32(header);
        node.timeDateStamp = Get32(header + 4);
        node.majorVersion = Get16(header + 8);
        node.minorVersion = Get16(header + 10);
        const uint32_t count = Get16(header + 12) + Get16(header + 14);
        entries += count;
        if (entries > kMaxEntries) {
            problem = "damaged resource directory (too many entries)";
            return false;
        }
        for (uint32_t i = 0; i < count; ++i) {
            uint8_t entry[8];
            if (!Bytes(offset + 16 + 8 * i, entry, sizeof entry)) {
                problem = "damaged resource directory";
                return false;
            }
            ResourceNode child;
            const uint32_t name = Get32(entry);
            const uint32_t target = Get32(entry + 4);
            if (name & kHighBit) {
                uint8_t length[2];
                if (!Bytes(name & ~kHighBit, length, 2)) {
                    problem = "damaged resource name";
                    return false;
                }
                std::vector<uint8_t> text(2u * Get16(length));
                if (!Bytes((name & ~kHighBit) + 2, text.data(), static_cast<uint32_t>(text.size()))) {
                    problem = "damaged resource name";
                    return false;
                }
                child.name.isText = true;
                for (size_t c = 0; c < text.size(); c += 2)
                    child.name.text += static_cast<char16_t>(Get16(&text[c]));
            } else {
                child.name.id = static_cast<uint16_t>(name);
            }
            if (target & kHighBit) {
                if (!Directory(target & ~kHighBit, child, depth + 1, problem))
                    return false;
            } else {
                uint8_t leaf[16];
                if (!Bytes(target, leaf, sizeof leaf)) {
                    problem = "damaged resource data entry";
                    return false;
                }
                child.isLeaf = true;
                child.stubAddress = Get32(leaf);
                child.size = Get32(leaf + 4);
                child.codePage = Get32(leaf + 8);
            }
            node.children.push_back(std::move(child));
        }
        return true;
    }
};

bool LoadLeaves(HostFile& file, const PeImage& image, ResourceNode& node, std::string& problem)
{
    for (ResourceNode& child : node.children) {
        if (!child.isLeaf) {
            if (!LoadLeaves(file, image, child, problem))
                return false;
            continue;
        }
        if (child.written)
            continue;
        uint64_t offset = 0;
        if (!image.FileOffsetOf(child.stubAddress, child.size, offset)) {
            problem = "damaged resource data (outside the file's sections)";
            return false;
        }
        child.data.resize(child.size);
        if (child.size && !file.ReadAt(offset, child.data.data(), child.size)) {
            problem = "resource data cannot be read";
            return false;
        }
    }
    return true;
}

bool SameName(const ResourceName& a, const ResourceName& b)
{
    return a.isText == b.isText && (a.isText ? a.text == b.text : a.id == b.id);
}

// Texts first, in order of their UTF-16 units; then numbers.
bool Before(const ResourceName& a, const ResourceName& b)
{
    if (a.isText != b.isText)
        return a.isText;
    return a.isText ? a.text < b.text : a.id < b.id;
}

uint32_t Align8(uint32_t value) { return (value + 7) & ~7u; }

}  // namespace

bool ReadResourceTree(HostFile& file, const PeImage& image, ResourceNode& root, std::string& problem)
{
    const PeDirectory directory = image.Directory(kDirResource);
    const int section = image.SectionOf(directory.address);
    if (directory.address == 0 || section < 0) {
        problem = "has no resources (not an installer stub)";
        return false;
    }
    const PeSection& s = image.Sections()[section];
    const uint32_t within = directory.address - s.virtualAddress;
    TreeReader reader{file, static_cast<uint64_t>(s.rawOffset) + within, s.rawSize > within ? s.rawSize - within : 0};
    root = ResourceNode();
    return reader.Directory(0, root, 0, problem);
}

bool LoadResourceData(HostFile& file, const PeImage& image, ResourceNode& root, std::string& problem)
{
    return LoadLeaves(file, image, root, problem);
}

ResourceNode* FindResource(ResourceNode& directory, const ResourceName& name)
{
    for (ResourceNode& child : directory.children)
        if (SameName(child.name, name))
            return &child;
    return nullptr;
}

bool RemoveResource(ResourceNode& directory, const ResourceName& name)
{
    auto& children = directory.children;
    const auto it = std::find_if(children.begin(), children.end(),
                                 [&](const ResourceNode& child) { return SameName(child.name, name); });
    if (it == children.end())
        return false;
    children.erase(it);
    return true;
}

ResourceNode& AddResource(ResourceNode& directory, const ResourceName& name)
{
    auto& children = directory.children;
    auto it = children.begin();
    while (it != children.end() && Before(it->name, name))
        ++it;
    ResourceNode node;
    node.name = name;
    return *children.insert(it, std::move(node));
}

uint32_t LayOutResources(ResourceNode& root)
{
    // Directories breadth first, then the data entries, then the names.
    std::vector<ResourceNode*> directories, leaves, named;
    std::deque<ResourceNode*> queue{&root};
    while (!queue.empty()) {
        ResourceNode* node = queue.front();
        queue.pop_front();
        directories.push_back(node);
        for (ResourceNode& child : node->children) {
            if (child.name.isText)
                named.push_back(&child);
            if (child.isLeaf)
                leaves.push_back(&child);
            else
                queue.push_back(&child);
        }
    }
    uint32_t offset = 0;
    for (ResourceNode* node : directories) {
        node->tableOffset = offset;
        offset += 16 + 8 * static_cast<uint32_t>(node->children.size());
    }
    for (ResourceNode* leaf : leaves) {
        leaf->tableOffset = offset;
        offset += 16;
    }
    for (ResourceNode* node : named) {
        node->nameOffset = offset;
        offset += 2 + 2 * static_cast<uint32_t>(node->name.text.size());
    }
    offset = Align8(offset);
    ForEachResourceLeaf(root, [&](ResourceNode& leaf) {
        if (leaf.written)
            return;
        leaf.dataOffset = offset;
        offset = Align8(offset + leaf.size);
    });
    return offset;
}

std::vector<uint8_t> ResourceTables(const ResourceNode& root, uint32_t sectionAddress)
{
    std::vector<uint8_t> tables;
    std::deque<const ResourceNode*> queue{&root};
    auto grow = [&](uint32_t end) {
        if (tables.size() < end)
            tables.resize(end);
    };
    while (!queue.empty()) {
        const ResourceNode* node = queue.front();
        queue.pop_front();
        grow(node->tableOffset + 16 + 8 * static_cast<uint32_t>(node->children.size()));
        uint8_t* header = &tables[node->tableOffset];
        Put32(header, node->characteristics);
        Put32(header + 4, node->timeDateStamp);
        Put16(header + 8, node->majorVersion);
        Put16(header + 10, node->minorVersion);
        uint16_t texts = 0;
        for (const ResourceNode& child : node->children)
            texts += child.name.isText;
        Put16(header + 12, texts);
        Put16(header + 14, static_cast<uint16_t>(node->children.size() - texts));
        for (size_t i = 0; i < node->children.size(); ++i) {
            const ResourceNode& child = node->children[i];
            const uint32_t entry = node->tableOffset + 16 + 8 * static_cast<uint32_t>(i);
            Put32(&tables[entry], child.name.isText ? kHighBit | child.nameOffset : child.name.id);
            Put32(&tables[entry + 4], child.isLeaf ? child.tableOffset : kHighBit | child.tableOffset);
            if (child.name.isText) {
                grow(child.nameOffset + 2 + 2 * static_cast<uint32_t>(child.name.text.size()));
                Put16(&tables[child.nameOffset], static_cast<uint16_t>(child.name.text.size()));
                for (size_t c = 0; c < child.name.text.size(); ++c)
                    Put16(&tables[child.nameOffset + 2 + 2 * c], child.name.text[c]);
            }
            if (child.isLeaf) {
                grow(child.tableOffset + 16);
                Put32(&tables[child.tableOffset], sectionAddress + child.dataOffset);
                Put32(&tables[child.tableOffset + 4], child.size);
                Put32(&tables[child.tableOffset + 8], child.codePage);
                Put32(&tables[child.tableOffset + 12], 0);
            } else {
                queue.push_back(&child);
            }
        }
    }
    tables.resize(Align8(static_cast<uint32_t>(tables.size())));
    return tables;
}
