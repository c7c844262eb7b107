#include "cleanup/removal.h"

#include "payload/tree.h"

void DeleteFolderTree(const std::string& folderPath)
{
    DeleteTree(folderPath, ReadOnlyFiles::Deleted);
}
