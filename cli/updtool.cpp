// updtool: the package builder and the archive from a console, for build servers.
//
//   updtool pack <folder> <target.upd> [--version <text>] [--threads N]
//   updtool list <archive.bin>
//   updtool extract <archive.bin> <destination-folder>
//   updtool verify <descriptor.upd>
//   updtool crc <file>
//
// Exit status: 0 success; 1 the operation failed; 2 wrong usage; 3 invalid folder;
// 4 no files; 5 not an archive, or a truncated one.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "core/SArray.h"
#include "core/SBlockPipeline.h"
#include "core/SCommandLine.h"
#include "core/SDisk.h"
#include "core/SFileMem.h"
#include "core/SFilePath.h"
#include "core/SPath.h"
#include "core/SStringArray.h"
#include "core/SWindows.h"
#include "package/PPackageBuilder.h"
#include "package/SResource.h"

namespace {

constexpr int kLongestDescriptor = 65536;

enum ExitStatus {
    kOk = 0,
    kFailed = 1,
    kUsage = 2,
    kInvalidFolder = 3,
    kNoFiles = 4,
    kNotArchive = 5
};

const char kUsageText[] =
    "usage: updtool <command> [arguments]\n"
    "\n"
    "  pack <folder> <target.upd> [--version <text>] [--threads N]\n"
    "      archive every file below folder into a .bin beside target.upd, and write\n"
    "      target.upd with the version (default 1.0.0.0) and the archive's CRC-32\n"
    "  list <archive.bin>\n"
    "      one line per entry: its uncompressed size, a tab, its name\n"
    "  extract <archive.bin> <destination-folder>\n"
    "      write every entry below the folder; prints the targets that failed\n"
    "  verify <descriptor.upd>\n"
    "      check that the CRC-32 of the .bin beside the descriptor is its second line\n"
    "  crc <file>\n"
    "      print the file's CRC-32 in unsigned and in signed decimal\n"
    "\n"
    "pack's --threads defaults to the number of processors; 1 works on one thread.\n"
    "Exit status: 0 success, 1 failure, 2 wrong usage, 3 invalid folder, 4 no files,\n"
    "5 not an archive or a truncated one.\n";

int Usage(const char* problem) {
    fprintf(stderr, "updtool: %s\n\n%s", problem, kUsageText);
    return kUsage;
}

int Fail(const char* what, const char* path) {
    fprintf(stderr, "updtool: %s: %s\n", what, path);
    return kFailed;
}

// An archive's names are text from outside: control characters (a forged line break, say)
// are printed as <XX> in hexadecimal, and "<" itself as <3C>, so every name prints on one
// line and reads back unambiguously.
bool NeedsEscape(unsigned char ch) { return ch < 32 || ch == 127 || ch == '<'; }

SString Printable(const SString& text) {
    int plain = 0;
    while (plain < text.GetLength() && !NeedsEscape(static_cast<unsigned char>(text.GetAt(plain))))
        ++plain;
    if (plain == text.GetLength()) return text;
    SString shown("");
    for (int i = 0; i < text.GetLength(); ++i) {
        const unsigned char ch = static_cast<unsigned char>(text.GetAt(i));
        if (NeedsEscape(ch)) {
            SString escape;
            escape.Format("<%02X>", ch);
            shown += escape;
        } else {
            shown += static_cast<char>(ch);
        }
    }
    return shown;
}

// The command's words: positional arguments, and the two options some commands take.
struct Arguments {
    SStringArray positional;
    SString version = "1.0.0.0";
    int threads = SBlockPipeline::GetProcessorCount();
    bool threadsGiven = false;
    bool versionGiven = false;
    const char* problem = nullptr;
};

void ParseArguments(const SStringArray& words, Arguments& args) {
    for (int i = 2; i < words.GetCount() && !args.problem; ++i) {
        const SString& word = *words.GetAt(i);
        const bool hasValue = i + 1 < words.GetCount();
        if (word == "--version") {
            if (!hasValue)
                args.problem = "--version needs a text";
            else
                args.version = *words.GetAt(++i);
            args.versionGiven = true;
        } else if (word == "--threads") {
            const SString value = hasValue ? *words.GetAt(++i) : SString("");
            args.threads = atoi(value.GetSafeText());
            if (!value.IsInteger() || args.threads < 1 || args.threads > 64)
                args.problem = "--threads needs a number from 1 to 64";
            args.threadsGiven = true;
        } else {
            args.positional.Add(word.GetSafeText());
        }
    }
}

SString Arg(const Arguments& args, int i) { return args.positional.GetText(i); }

int Pack(const Arguments& args) {
    // A build server must not ship an update with files missing: any file that cannot be
    // read fails the run, and the previous pair stays.
    PPackageBuilder builder;
    builder.SetThreads(args.threads);
    builder.SetAllFilesRequired(true);
    switch (builder.Collect(Arg(args, 0).GetText())) {
        case PPackageBuilder::kInvalidFolder:
            fprintf(stderr, "updtool: Invalid folder: %s\n", Arg(args, 0).GetText());
            return kInvalidFolder;
        case PPackageBuilder::kNoFiles:
            fprintf(stderr, "updtool: No files: %s\n", builder.GetFolder().GetText());
            return kNoFiles;
        case PPackageBuilder::kSourceFailed:
            for (int i = 0; i < builder.GetUnlisted().GetCount(); ++i)
                fprintf(stderr, "updtool: cannot be packed under its own name: %s\n",
                        Printable(*builder.GetUnlisted().GetAt(i)).GetText());
            return Fail(
                "a folder that cannot be read, a name outside the code page, or names "
                "that differ only in case, in",
                builder.GetFolder().GetText());
        default:
            break;
    }
    const PPackageBuilder::Result result =
        builder.Write(Arg(args, 1).GetText(), args.version.GetText());
    for (int i = 0; i < builder.GetSkipped().GetCount(); ++i)
        fprintf(stderr, "updtool: cannot be opened: %s\n",
                Printable(*builder.GetSkipped().GetAt(i)).GetText());
    switch (result) {
        case PPackageBuilder::kDone:
            break;
        case PPackageBuilder::kInvalidTarget:
            return Fail("the target must name a descriptor file beside its archive",
                        Arg(args, 1).GetText());
        case PPackageBuilder::kSourceFailed:
            return Fail("cannot read", builder.GetFailedPath().GetText());
        case PPackageBuilder::kTooLarge:
            fprintf(stderr, "updtool: larger than an archive can hold (%" PRId64 " bytes): %s\n",
                    PPackageBuilder::kLargestArchive, builder.GetFailedPath().GetText());
            return kFailed;
        case PPackageBuilder::kArchiveCorrupt:
            return Fail("the archive written does not read back whole",
                        builder.GetFailedPath().GetText());
        default:
            return Fail("cannot write", builder.GetFailedPath().GetText());
    }
    const uint32_t crc = builder.GetCrc();
    printf("files       %d\n", builder.GetFiles().GetCount());
    printf("bytes read  %" PRId64 "\n", builder.GetBytesRead());
    printf("archive     %s (%d bytes)\n", builder.GetArchivePath().GetText(),
           builder.GetArchiveSize());
    printf("descriptor  %s\n", builder.GetDescriptorPath().GetText());
    printf("crc32       %u (signed %d)\n", crc, static_cast<int32_t>(crc));
    return kOk;
}

// Opens an archive, telling a file that cannot be read from one that is not an archive.
int OpenArchive(SResource& archive, const SString& path, int threads) {
    archive.SetThreads(threads);
    if (archive.Open(path.GetText(), 0)) return kOk;
    SFilePath probe;
    if (!probe.OpenShared(path.GetText())) return Fail("cannot open", path.GetText());
    fprintf(stderr, "updtool: not an archive, or a truncated one: %s\n", path.GetText());
    return kNotArchive;
}

int List(const Arguments& args) {
    SResource archive;
    const int status = OpenArchive(archive, Arg(args, 0), 1);
    if (status != kOk) return status;
    SArray<int> rawSizes;
    if (!archive.GetRawSizes(rawSizes)) {
        fprintf(stderr, "updtool: malformed entry in %s\n", Arg(args, 0).GetText());
        return kNotArchive;
    }
    for (int i = 0; i < archive.GetEntryCount(); ++i)
        printf("%d\t%s\n", rawSizes.GetAt(i), Printable(archive.GetEntryName(i)).GetText());
    return kOk;
}

// On one thread: the files' writing takes the time, not their decoding, and more threads
// did not make an extraction faster.
int Extract(const Arguments& args) {
    SResource archive;
    const int status = OpenArchive(archive, Arg(args, 0), 1);
    if (status != kOk) return status;
    SDisk disk;
    const SString destination = Arg(args, 1);
    if (!disk.FolderExists(destination.GetText()) &&
        !disk.CreateFolder(destination.GetText(), true))
        return Fail("cannot create the folder", destination.GetText());
    SStringArray failures;
    if (archive.ExtractAll(destination.GetText(), &failures)) return kOk;
    for (int i = 0; i < failures.GetCount(); ++i)
        printf("%s\n", Printable(*failures.GetAt(i)).GetText());
    if (failures.GetCount() == 0) return Fail("cannot extract into", destination.GetText());
    fprintf(stderr, "updtool: %d of %d entries could not be written\n", failures.GetCount(),
            archive.GetEntryCount());
    return kFailed;
}

// The form in which a descriptor holds its CRC-32: "%u", one to ten digits, no sign, no
// leading zero, at most 4294967295.
bool IsCrcText(const SString& text) {
    if (text.GetLength() < 1 || text.GetLength() > 10) return false;
    if (text.GetLength() > 1 && text.GetAt(0) == '0') return false;
    for (int i = 0; i < text.GetLength(); ++i)
        if (text.GetAt(i) < '0' || text.GetAt(i) > '9') return false;
    return strtoull(text.GetText(), nullptr, 10) <= UINT32_MAX;
}

int Verify(const Arguments& args) {
    const SString descriptorPath = Arg(args, 0);
    // Read from memory, where a lone CR or LF stays in the line and so spoils it; a
    // descriptor is two short lines, so anything big is none.
    if (SDisk().GetFileSize(descriptorPath.GetText()) > kLongestDescriptor)
        return Fail("not a descriptor", descriptorPath.GetText());
    SFileMem descriptor;
    if (!descriptor.LoadFile(descriptorPath.GetText()))
        return Fail("cannot open", descriptorPath.GetText());
    bool versionComplete = false;
    bool crcComplete = false;
    const SString version = descriptor.ReadLine(true, -1, &versionComplete);
    const SString expected = descriptor.ReadLine(true, -1, &crcComplete);
    if (!versionComplete || !crcComplete || !descriptor.IsEnd() || !IsCrcText(expected))
        return Fail("not a descriptor", descriptorPath.GetText());

    const SString archivePath = PPackageBuilder::ArchivePathFor(descriptorPath.GetText());
    uint32_t actual = 0;
    if (!SDisk().GetFileCrc(archivePath.GetText(), actual))
        return Fail("cannot read", archivePath.GetText());
    const uint32_t want = static_cast<uint32_t>(strtoull(expected.GetText(), nullptr, 10));
    if (actual != want) {
        fprintf(stderr, "updtool: CRC-32 mismatch: %s is %u, the descriptor says %u\n",
                archivePath.GetText(), actual, want);
        return kFailed;
    }
    printf("ok  version %s  crc32 %u  %s\n", version.GetText(), actual, archivePath.GetText());
    return kOk;
}

int Crc(const Arguments& args) {
    uint32_t crc = 0;
    if (!SDisk().GetFileCrc(Arg(args, 0).GetText(), crc))
        return Fail("cannot read", Arg(args, 0).GetText());
    printf("%u %d\n", crc, static_cast<int32_t>(crc));
    return kOk;
}

struct Command {
    const char* name;
    int positional;
    bool takesVersion;
    bool takesThreads;
    int (*run)(const Arguments&);
};

const Command kCommands[] = {
    {"pack", 2, true, true, Pack},         {"list", 1, false, false, List},
    {"extract", 2, false, false, Extract}, {"verify", 1, false, false, Verify},
    {"crc", 1, false, false, Crc},
};

}  // namespace

int main() {
    // A quoted folder that ends in a backslash arrives whole, whether typed by hand
    // ("C:\Release Folder\") or quoted by a program that doubles that backslash.
    SStringArray words;
    SCommandLine::SplitAll(GetCommandLineA(), words, SCommandLine::kLoneBackslash);
    if (words.GetCount() < 2) return Usage("no command given");
    const SString command = words.GetText(1);
    if (command == "--help" || command == "-h" || command == "help") {
        fputs(kUsageText, stdout);
        return kOk;
    }
    for (const Command& c : kCommands) {
        if (command != c.name) continue;
        Arguments args;
        ParseArguments(words, args);
        if (args.problem) return Usage(args.problem);
        if ((args.versionGiven && !c.takesVersion) || (args.threadsGiven && !c.takesThreads))
            return Usage("option not taken by this command");
        if (args.positional.GetCount() != c.positional) return Usage("wrong number of arguments");
        return c.run(args);
    }
    return Usage("unknown command");
}
