#include "tests/support/TestFolder.h"

#include <fstream>
#include <iterator>

#include "core/SWindows.h"

namespace {

// Removes a folder tree; attributes are cleared first so read-only and hidden files go too.
void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = folder + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full + "\\");
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

void MakeParents(const std::string& path) {
    for (size_t i = 3; i < path.size(); ++i)
        if (path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
}

}  // namespace

// Under the temporary folder in its long form, which tests compare paths with.
TestFolder::TestFolder() {
    char temp[MAX_PATH + 1], longTemp[1024];
    GetTempPathA(sizeof temp, temp);
    const std::string base = GetLongPathNameA(temp, longTemp, sizeof longTemp) ? longTemp : temp;
    static unsigned counter = 0;
    do path = base + "updtest-" + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(++counter) + "\\";
    while (!CreateDirectoryA(path.c_str(), nullptr));
}

TestFolder::~TestFolder() { RemoveTree(path); }

std::string TestFolder::WriteFile(const std::string& name, const std::string& content) const {
    const std::string full = path + name;
    MakeParents(full);
    std::ofstream(full, std::ios::binary) << content;
    return full;
}

std::string TestFolder::MakeFolder(const std::string& name) const {
    std::string full = path + name;
    if (full.back() != '\\') full += '\\';
    MakeParents(full);
    return full;
}

std::string TestFolder::WriteSparse(const std::string& name, long long size) const {
    const std::string full = path + name;
    HANDLE file = CreateFileA(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    LARGE_INTEGER end;
    end.QuadPart = size;
    const bool sized = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return sized ? full : std::string();
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool FileIsThere(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::set<std::string> TempFiles(const char* pattern) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::set<std::string> found;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((std::string(temp) + pattern).c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return found;
    do found.insert(std::string(temp) + entry.cFileName);
    while (FindNextFileA(find, &entry));
    FindClose(find);
    return found;
}

std::string CurrentFolder() {
    char folder[MAX_PATH];
    return std::string(folder, GetCurrentDirectoryA(sizeof folder, folder));
}

CurrentFolderScope::CurrentFolderScope(const std::string& folder)
    : saved(CurrentFolder()), changed(SetCurrentDirectoryA(folder.c_str()) != FALSE) {}

CurrentFolderScope::~CurrentFolderScope() { SetCurrentDirectoryA(saved.c_str()); }
