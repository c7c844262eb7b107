#include "removal.h"

#include "tree.h"

void DeleteFolderTree(const std::string& folderPath)
{
    DeleteTree(folderPath, ReadOnlyFiles::Deleted);
}
