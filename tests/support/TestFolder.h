#pragma once
// A fresh folder under the temporary folder for one test, removed with all its content
// (read-only and hidden files included) when the object goes, whatever the outcome.
#include <set>
#include <string>

class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    // The folder's full path with a final backslash, or the path of a name inside it.
    const std::string& Path() const { return path; }
    std::string operator/(const std::string& name) const { return path + name; }

    // Writes a file (creating its parent folders); returns the full path.
    std::string WriteFile(const std::string& name, const std::string& content) const;
    std::string MakeFolder(const std::string& name) const;
    // A file of size zero bytes that takes no room on disk (a hole); empty when it fails.
    std::string WriteSparse(const std::string& name, long long size) const;

private:
    std::string path;
};

// Reads a whole file; empty when it cannot be opened.
std::string ReadWholeFile(const std::string& path);
bool FileIsThere(const std::string& path);
// The full paths of the files of the user's temporary folder whose names match pattern.
std::set<std::string> TempFiles(const char* pattern);

// Makes another folder current for one test and restores the previous one afterwards.
class CurrentFolderScope {
public:
    explicit CurrentFolderScope(const std::string& folder);
    ~CurrentFolderScope();
    CurrentFolderScope(const CurrentFolderScope&) = delete;
    CurrentFolderScope& operator=(const CurrentFolderScope&) = delete;

    const std::string saved;
    const bool changed;
};

// The process's current folder, without a final separator unless it is a root.
std::string CurrentFolder();
