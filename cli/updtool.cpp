// updtool: the package builder and the archive from a console, for build servers.
//
//   updtool pack <folder> <target.upd> [--version <text>] [--threads N] [--sign <private.pem>]
//   updtool list <archive.bin>
//   updtool extract <archive.bin> <destination-folder>
//   updtool verify <descriptor.upd> [--key <public.pem>]
//   updtool crc <file>
//   updtool keygen <private.pem> <public.pem>
//   updtool sign <file> <private.pem>
//   updtool embed-key <Update.exe> <public.pem>
//
// Signatures are ECDSA on P-256 over SHA-256, in DER, one file "<signed file>.sig" each;
// keys are PEM: PKCS#8 private keys and SubjectPublicKeyInfo public keys, as openssl writes.
//
// Exit status: 0 success; 1 the operation failed; 2 wrong usage; 3 invalid folder;
// 4 no files; 5 not an archive, or a truncated one; 6 a signature missing or not verifying.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "core/SArray.h"
#include "core/SBlockPipeline.h"
#include "core/SCommandLine.h"
#include "core/SDisk.h"
#include "core/SFileMem.h"
#include "core/SFilePath.h"
#include "core/SHandle.h"
#include "core/SPath.h"
#include "core/SStringArray.h"
#include "core/SWindows.h"
#include "package/PPackageBuilder.h"
#include "package/SPem.h"
#include "package/SPrivateKey.h"
#include "package/SPublicKey.h"
#include "package/SResource.h"
#include "package/SSignature.h"

namespace {

constexpr int kLongestDescriptor = 65536;

enum ExitStatus {
    kOk = 0,
    kFailed = 1,
    kUsage = 2,
    kInvalidFolder = 3,
    kNoFiles = 4,
    kNotArchive = 5,
    kBadSignature = 6
};

// The options, as bits of what a command takes and of what was given.
enum Option { kVersionOption = 1, kThreadsOption = 2, kSignOption = 4, kKeyOption = 8 };

const char kUsageText[] =
    "usage: updtool <command> [arguments]\n"
    "\n"
    "  pack <folder> <target.upd> [--version <text>] [--threads N] [--sign <private.pem>]\n"
    "      archive every file below folder into a .bin beside target.upd, and write\n"
    "      target.upd with the version (default 1.0.0.0) and the archive's CRC-32;\n"
    "      --sign also writes the signatures target.bin.sig and target.upd.sig\n"
    "  list <archive.bin>\n"
    "      one line per entry: its uncompressed size, a tab, its name\n"
    "  extract <archive.bin> <destination-folder>\n"
    "      write every entry below the folder; prints the targets that failed\n"
    "  verify <descriptor.upd> [--key <public.pem>]\n"
    "      check that the CRC-32 of the .bin beside the descriptor is its second line;\n"
    "      --key also checks the signatures descriptor.upd.sig and descriptor.bin.sig\n"
    "  crc <file>\n"
    "      print the file's CRC-32 in unsigned and in signed decimal\n"
    "  keygen <private.pem> <public.pem>\n"
    "      write a new P-256 key pair; an existing file is never overwritten\n"
    "  sign <file> <private.pem>\n"
    "      write file.sig, the signature of the file's bytes\n"
    "  embed-key <Update.exe> <public.pem>\n"
    "      store the public key in that copy of Update.exe (resource BINARY 152)\n"
    "\n"
    "pack's --threads defaults to the number of processors; 1 works on one thread.\n"
    "Signatures: ECDSA on P-256 over SHA-256, DER; keys: PEM, PKCS#8 private keys and\n"
    "SubjectPublicKeyInfo public keys, as openssl writes them.\n"
    "Exit status: 0 success, 1 failure, 2 wrong usage, 3 invalid folder, 4 no files,\n"
    "5 not an archive or a truncated one, 6 a signature missing or not verifying.\n";

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

// The command's words: positional arguments, and the options some commands take.
struct Arguments {
    SStringArray positional;
    SString version = "1.0.0.0";
    int threads = SBlockPipeline::GetProcessorCount();
    SString privateKey;  // --sign
    SString publicKey;   // --key
    int given = 0;       // Option bits
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
            args.given |= kVersionOption;
        } else if (word == "--threads") {
            const SString value = hasValue ? *words.GetAt(++i) : SString("");
            args.threads = atoi(value.GetSafeText());
            if (!value.IsInteger() || args.threads < 1 || args.threads > 64)
                args.problem = "--threads needs a number from 1 to 64";
            args.given |= kThreadsOption;
        } else if (word == "--sign" || word == "--key") {
            const bool sign = word == "--sign";
            if (!hasValue)
                args.problem =
                    sign ? "--sign needs a private key file" : "--key needs a public key file";
            else
                (sign ? args.privateKey : args.publicKey) = *words.GetAt(++i);
            args.given |= sign ? kSignOption : kKeyOption;
        } else {
            args.positional.Add(word.GetSafeText());
        }
    }
}

SString Arg(const Arguments& args, int i) { return args.positional.GetText(i); }

// Reads a whole file that must be small (a key, a signature); false when it cannot be read
// or passes limit bytes, with tooLarge telling which.
bool ReadSmallFile(const SString& path, int64_t limit, SFileMem& content, bool& tooLarge) {
    const int64_t size = SDisk().GetFileSize64(path.GetText());
    tooLarge = size > limit;
    return size >= 0 && !tooLarge && content.LoadFile(path.GetText()) && content.GetSize() == size;
}

const char* TextOf(SFileMem& content) { return reinterpret_cast<const char*>(content.GetBuffer()); }

int LoadPrivateKey(const SString& path, SPrivateKey& key) {
    SFileMem text;
    bool tooLarge = false;
    if (!ReadSmallFile(path, SPem::kLongestText, text, tooLarge) && !tooLarge)
        return Fail("cannot read", path.GetText());
    if (tooLarge || !key.LoadPem(TextOf(text), static_cast<size_t>(text.GetSize())))
        return Fail(
            "not a P-256 private key in PEM (PKCS#8 or EC PRIVATE KEY) with its "
            "public point",
            path.GetText());
    return kOk;
}

int LoadPublicKey(const SString& path, SPublicKey& key) {
    SFileMem text;
    bool tooLarge = false;
    if (!ReadSmallFile(path, SPem::kLongestText, text, tooLarge) && !tooLarge)
        return Fail("cannot read", path.GetText());
    if (tooLarge || !key.LoadPem(TextOf(text), static_cast<size_t>(text.GetSize())))
        return Fail("not a P-256 public key in PEM (BEGIN PUBLIC KEY)", path.GetText());
    return kOk;
}

// Writes path through a file beside it that takes its place only once complete: a failure
// leaves what was there.
bool WriteReplacing(const SString& path, const void* data, int count) {
    const SString temporary = SDisk::GetTempFileBeside(path.GetText());
    SFilePath file;
    bool ok = temporary.GetLength() > 0 && file.OpenWriteOnly(temporary.GetText()) &&
              file.Write(data, count) == count;
    ok = file.CloseChecked() && ok &&
         MoveFileExA(temporary.GetText(), path.GetText(), MOVEFILE_REPLACE_EXISTING);
    if (!ok && temporary.GetLength() > 0) DeleteFileA(temporary.GetText());
    return ok;
}

// Writes a file that must not exist yet: the system refuses to create it otherwise, so a
// key is never written over another, even one that appears meanwhile.
bool WriteNew(const SString& path, const SString& text) {
    SHandle file(CreateFileA(path.GetText(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    const bool created = file.IsValid();
    DWORD written = 0;
    const DWORD count = static_cast<DWORD>(text.GetLength());
    const bool ok = created && count > 0 &&
                    WriteFile(file.Get(), text.GetText(), count, &written, nullptr) &&
                    written == count && FlushFileBuffers(file.Get());
    file.Reset();
    if (!ok && created) DeleteFileA(path.GetText());
    return ok;
}

// Signs the file's bytes into "<file>.sig".
int SignInto(const SPrivateKey& key, const SString& path) {
    SSignature signature;
    if (!key.SignFile(path.GetText(), signature)) return Fail("cannot read", path.GetText());
    const std::vector<uint8_t> der = signature.GetDer();
    const SString signaturePath = path + ".sig";
    if (!WriteReplacing(signaturePath, der.data(), static_cast<int>(der.size())))
        return Fail("cannot write", signaturePath.GetText());
    return kOk;
}

// Checks "<file>.sig" against the file's bytes.
int CheckSignature(const SPublicKey& key, const SString& path) {
    const SString signaturePath = path + ".sig";
    SFileMem der;
    bool tooLarge = false;
    if (!SDisk().FileExists(signaturePath.GetText())) {
        fprintf(stderr, "updtool: signature missing: %s\n", signaturePath.GetText());
        return kBadSignature;
    }
    // A signature is at most 72 bytes: a larger file is refused before it is read.
    if (!ReadSmallFile(signaturePath, SSignature::kLargestDer, der, tooLarge) && !tooLarge)
        return Fail("cannot read", signaturePath.GetText());
    if (tooLarge ||
        !key.VerifyFile(path.GetText(), der.GetBuffer(), static_cast<size_t>(der.GetSize()))) {
        fprintf(stderr, "updtool: signature does not verify: %s\n", signaturePath.GetText());
        return kBadSignature;
    }
    return kOk;
}

int Pack(const Arguments& args) {
    // A key that cannot sign fails the run before anything is written.
    SPrivateKey key;
    const bool sign = (args.given & kSignOption) != 0;
    const int keyStatus = sign ? LoadPrivateKey(args.privateKey, key) : kOk;
    if (keyStatus != kOk) return keyStatus;
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
    // Signatures beside the pair belonged to the pair it replaced. The new one has passed
    // the read-back check: only a verified archive is signed, and a run that cannot sign
    // both files leaves no signature at all.
    const SString archiveSignature = builder.GetArchivePath() + ".sig";
    const SString descriptorSignature = builder.GetDescriptorPath() + ".sig";
    DeleteFileA(archiveSignature.GetText());
    DeleteFileA(descriptorSignature.GetText());
    if (sign) {
        int status = SignInto(key, builder.GetArchivePath());
        if (status == kOk) status = SignInto(key, builder.GetDescriptorPath());
        if (status != kOk) {
            DeleteFileA(archiveSignature.GetText());
            return status;
        }
    }
    const uint32_t crc = builder.GetCrc();
    printf("files       %d\n", builder.GetFiles().GetCount());
    printf("bytes read  %" PRId64 "\n", builder.GetBytesRead());
    printf("archive     %s (%d bytes)\n", builder.GetArchivePath().GetText(),
           builder.GetArchiveSize());
    printf("descriptor  %s\n", builder.GetDescriptorPath().GetText());
    printf("crc32       %u (signed %d)\n", crc, static_cast<int32_t>(crc));
    if (sign)
        printf("signatures  %s %s\n", archiveSignature.GetText(), descriptorSignature.GetText());
    return kOk;
}

// Opens an archive, telling a file that cannot be read from one that is not an archive.
int OpenArchive(SResource& archive, const SString& path) {
    if (archive.Open(path.GetText(), 0)) return kOk;
    SFilePath probe;
    if (!probe.OpenShared(path.GetText())) return Fail("cannot open", path.GetText());
    fprintf(stderr, "updtool: not an archive, or a truncated one: %s\n", path.GetText());
    return kNotArchive;
}

int List(const Arguments& args) {
    SResource archive;
    const int status = OpenArchive(archive, Arg(args, 0));
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
    const int status = OpenArchive(archive, Arg(args, 0));
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
    SPublicKey key;
    const bool checkSignatures = (args.given & kKeyOption) != 0;
    const int keyStatus = checkSignatures ? LoadPublicKey(args.publicKey, key) : kOk;
    if (keyStatus != kOk) return keyStatus;
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
    if (checkSignatures) {
        int status = CheckSignature(key, descriptorPath);
        if (status == kOk) status = CheckSignature(key, archivePath);
        if (status != kOk) return status;
    }
    printf("ok  version %s  crc32 %u  %s%s\n", version.GetText(), actual, archivePath.GetText(),
           checkSignatures ? "  signed" : "");
    return kOk;
}

int Crc(const Arguments& args) {
    uint32_t crc = 0;
    if (!SDisk().GetFileCrc(Arg(args, 0).GetText(), crc))
        return Fail("cannot read", Arg(args, 0).GetText());
    printf("%u %d\n", crc, static_cast<int32_t>(crc));
    return kOk;
}

int Keygen(const Arguments& args) {
    const SString privatePath = Arg(args, 0);
    const SString publicPath = Arg(args, 1);
    if (privatePath.CompareNoCase(publicPath.GetText()) == 0)
        return Usage("the two keys need two files");
    for (const SString* path : {&privatePath, &publicPath})
        if (SDisk().PathExists(path->GetText()))
            return Fail("already exists, not overwritten", path->GetText());
    SPrivateKey key;
    if (!key.Generate())
        return Fail("the system could not make a key pair for", privatePath.GetText());
    if (!WriteNew(privatePath, key.GetPem())) return Fail("cannot write", privatePath.GetText());
    if (!WriteNew(publicPath, key.GetPublicKey().GetPem())) {
        // Half a pair is no use, and would stop the next run.
        DeleteFileA(privatePath.GetText());
        return Fail("cannot write", publicPath.GetText());
    }
    printf("private key  %s\npublic key   %s\n", privatePath.GetText(), publicPath.GetText());
    return kOk;
}

int Sign(const Arguments& args) {
    SPrivateKey key;
    int status = LoadPrivateKey(Arg(args, 1), key);
    if (status == kOk) status = SignInto(key, Arg(args, 0));
    if (status == kOk) printf("%s.sig\n", Arg(args, 0).GetText());
    return status;
}

// Owns one resource update of an executable, discarded unless committed.
class ResourceUpdate {
public:
    explicit ResourceUpdate(const char* path) : handle(BeginUpdateResourceA(path, FALSE)) {}
    ~ResourceUpdate() {
        if (handle) EndUpdateResourceA(handle, TRUE);
    }
    ResourceUpdate(const ResourceUpdate&) = delete;
    ResourceUpdate& operator=(const ResourceUpdate&) = delete;

    HANDLE Get() const { return handle; }
    bool Commit() {
        HANDLE ending = handle;
        handle = nullptr;
        return ending && EndUpdateResourceA(ending, FALSE);
    }

private:
    HANDLE handle;
};

// The key goes in as its PEM text written afresh (nothing of the file around the block),
// under the language windres gives the program's own resources, so that embedding again
// replaces it. The change is made on a copy, which takes the program's place only once
// complete: a failure leaves the program as it was.
int EmbedKey(const Arguments& args) {
    const SString program = Arg(args, 0);
    SPublicKey key;
    const int status = LoadPublicKey(Arg(args, 1), key);
    if (status != kOk) return status;
    const SString pem = key.GetPem();
    if (!SDisk().FileExists(program.GetText())) return Fail("cannot open", program.GetText());
    const SString copy = SDisk::GetTempFileBeside(program.GetText());
    if (copy.GetLength() == 0) return Fail("cannot write beside", program.GetText());
    bool stored = false;
    if (CopyFileA(program.GetText(), copy.GetText(), FALSE)) {
        ResourceUpdate update(copy.GetText());
        stored = update.Get() &&
                 UpdateResourceA(update.Get(), "BINARY", MAKEINTRESOURCEA(SPublicKey::kResourceId),
                                 MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                 const_cast<char*>(pem.GetText()),
                                 static_cast<DWORD>(pem.GetLength())) &&
                 update.Commit();
    }
    if (!stored) {
        DeleteFileA(copy.GetText());
        return Fail("not a program whose resources can be changed", program.GetText());
    }
    if (!MoveFileExA(copy.GetText(), program.GetText(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(copy.GetText());
        return Fail("cannot write", program.GetText());
    }
    printf("key stored in %s (resource BINARY %d)\n", program.GetText(), SPublicKey::kResourceId);
    return kOk;
}

struct Command {
    const char* name;
    int positional;
    int options;  // Option bits it takes
    int (*run)(const Arguments&);
};

const Command kCommands[] = {
    {"pack", 2, kVersionOption | kThreadsOption | kSignOption, Pack},
    {"list", 1, 0, List},
    {"extract", 2, 0, Extract},
    {"verify", 1, kKeyOption, Verify},
    {"crc", 1, 0, Crc},
    {"keygen", 2, 0, Keygen},
    {"sign", 2, 0, Sign},
    {"embed-key", 2, 0, EmbedKey},
};

}  // namespace

int main() {
    // A quoted folder that ends in a backslash arrives whole, whether typed by hand
    // ("C:\Release Folder\") or quoted by a program that doubles that backslash.
    SStringArray words;
    SCommandLine::SplitAll(GetCommandLineA(), words);
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
        if (args.given & ~c.options) return Usage("option not taken by this command");
        if (args.positional.GetCount() != c.positional) return Usage("wrong number of arguments");
        return c.run(args);
    }
    return Usage("unknown command");
}
