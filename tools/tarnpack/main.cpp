// tarnpack: makes a package from the setup stub, a payload folder and an
// information folder.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/tarnpack/builder.h"
#include "tools/tarnpack/fs.h"
#include "tools/tarnpack/package_report.h"
#include "tools/tarnpack/winget.h"

namespace {

const char kUsage[] =
    "usage: tarnpack --payload DIR --info DIR --out FILE [--arch x86|x64] [--stub FILE] [--languages NAME,NAME...]\n"
    "                [--data DIR] [--icon FILE.ico] [--copyright TEXT] [--level N]\n"
    "                [--sign CERT --key KEY [--timestamp URL] [--ca FILE]]\n"
    "                [--winget DIR --id PUBLISHER.PRODUCT --url URL [--license TEXT] [--description TEXT]]\n"
    "       tarnpack --version\n"
    "\n"
    "  --payload DIR      the files to install\n"
    "  --info DIR         Config/Script.ini, and optionally Languages/*.ini, Resources/WizBitmap.bmp,\n"
    "                     Resources/HeadBitmap.bmp, Resources/License.txt, Resources/ReadMe.txt\n"
    "  --out FILE         the package to write\n"
    "  --arch x86|x64     the setup stub's architecture: x86 (default) takes tarnstub.exe, x64 tarnstub64.exe,\n"
    "                     beside tarnpack or in ../share/tarnwick/ from tarnpack's folder\n"
    "  --stub FILE        the setup stub (instead of --arch)\n"
    "  --languages LIST   shipped localization files to add (default: English when --info brings none)\n"
    "  --data DIR         folder of the shipped localization files and bitmaps (default: data beside tarnpack,\n"
    "                     or ../share/tarnwick/ from tarnpack's folder)\n"
    "  --icon FILE.ico    the icon of the package and of its uninstaller (default: the setup stub's)\n"
    "  --copyright TEXT   the copyright notice in the version information of both\n"
    "  --level N          compression, 1 (fastest build) to 12 (smallest package, the default)\n"
    "  --sign CERT        sign the package (Authenticode, SHA-256) with this certificate, PEM, through\n"
    "                     osslsigncode, and check the signature before the package is put in place\n"
    "  --key KEY          the certificate's private key, PEM (with --sign)\n"
    "  --timestamp URL    have the signature time-stamped by this RFC 3161 server (with --sign)\n"
    "  --ca FILE          the certificates that issued CERT, for the check of its chain (default: CERT;\n"
    "                     a certificate that is not self-signed is then checked without its chain)\n"
    "  --winget DIR       also write the package's winget manifest into DIR (made when missing): the version,\n"
    "                     installer and en-US locale files of manifest schema 1.10.0, with the finished\n"
    "                     package's SHA-256\n"
    "  --id ID            the winget package identifier, Publisher.Product (with --winget)\n"
    "  --url URL          the http:// or https:// address winget downloads the package from (with --winget)\n"
    "  --license TEXT     the license the winget manifest names (default: Proprietary)\n"
    "  --description TEXT\n"
    "                     the winget manifest's short description (default: AppName and Version)\n"
    "  --version          print tarnpack's version\n"
    "  -h, --help         print this text\n"
    "\n"
    "tarnpack inspect PACKAGE [--json] [--ca FILE] shows what a package holds and checks it as the setup stub\n"
    "does, and its signature (against --ca FILE or osslsigncode's default certificates); --json: as JSON.\n"
    "The package and its uninstaller name the product: their version information comes from the setup\n"
    "script's AppName, Version and CompanyName. --sign signs the uninstaller too.\n"
    "A setup stub that carries a signature loses it: archives after a signature leave a package unreadable.\n"
    "Signing runs osslsigncode; the Windows build of tarnpack does not sign.\n"
    "\n"
    "The winget manifest takes the product's name, version and publisher from AppName, Version and\n"
    "CompanyName, its web site from Website (https:// when it names no scheme), and the uninstall entry\n"
    "that winget finds the installed product by from AppName; the setup script must register that entry\n"
    "([uConfig] IconExtUninst = 1 or IconExtCustom = 1). The package takes /S, /S /PASSIVE,\n"
    "/D=<INSTALLPATH> and /LOG=<LOGPATH> from winget and ends with 0, 3010, 1602, 1603, 1618 or 1639.\n"
    "\n"
    "With SOURCE_DATE_EPOCH set (seconds since 1970-01-01 00:00 UTC), no time in the package is later than\n"
    "it, every time is written in UTC, and a signature takes it as its signing time: the same inputs give\n"
    "the same package in any folder and time zone.\n";

std::vector<std::string> SplitCommas(const std::string& s) {
  std::vector<std::string> out;
  size_t from = 0;
  for (;;) {
    size_t at = s.find(',', from);
    std::string piece = s.substr(from, at == std::string::npos ? std::string::npos : at - from);
    if (!piece.empty()) out.push_back(piece);
    if (at == std::string::npos) break;
    from = at + 1;
  }
  return out;
}

// PREFIX/share/tarnwick/ of an installed PREFIX/bin/tarnpack: the setup
// stubs and the shipped data (languages/, bitmaps/).
std::string InstalledFolder() {
  std::string bin = fs::ProgramFolder();
  if (!bin.empty()) bin.pop_back();
  return bin.substr(0, bin.find_last_of("/\\") + 1) + "share/tarnwick/";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "inspect") == 0) return InspectCommand(argc, argv);
  BuildOptions o;
  std::string arch = "x86";
  std::string wingetFolder;
  WingetManifest winget;
  winget.license = "Proprietary";
  bool wingetOptions = false;  // --id, --url, --license or --description
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--version") {
      std::printf("tarnpack %s\n", TARN_VERSION);
      return 0;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "tarnpack: %s needs a value\n\n%s", a.c_str(), kUsage);
      return 2;
    }
    std::string v = argv[++i];
    if (a == "--id" || a == "--url" || a == "--license" || a == "--description") wingetOptions = true;
    if (a == "--stub") o.stub = v;
    else if (a == "--arch") arch = v;
    else if (a == "--payload") o.payload = v;
    else if (a == "--info") o.information = v;
    else if (a == "--out") o.output = v;
    else if (a == "--languages") o.languages = SplitCommas(v);
    else if (a == "--data") o.dataFolder = v;
    else if (a == "--icon") o.icon = v;
    else if (a == "--copyright") o.copyright = v;
    else if (a == "--sign") o.signing.certificate = v;
    else if (a == "--key") o.signing.key = v;
    else if (a == "--timestamp") o.signing.timestampUrl = v;
    else if (a == "--ca") o.signing.caFile = v;
    else if (a == "--winget") wingetFolder = v;
    else if (a == "--id") winget.id = v;
    else if (a == "--url") winget.url = v;
    else if (a == "--license") winget.license = v;
    else if (a == "--description") winget.description = v;
    else if (a == "--level") {
      char* end = nullptr;
      long n = std::strtol(v.c_str(), &end, 10);
      if (*end || n < 1 || n > 12) {
        std::fprintf(stderr, "tarnpack: --level takes a number from 1 to 12, not %s\n\n%s", v.c_str(), kUsage);
        return 2;
      }
      o.level = static_cast<int>(n);
    }
    else {
      std::fprintf(stderr, "tarnpack: unknown option %s\n\n%s", a.c_str(), kUsage);
      return 2;
    }
  }
  if (o.payload.empty() || o.information.empty() || o.output.empty()) {
    std::fprintf(stderr, "tarnpack: --payload, --info and --out are required\n\n%s", kUsage);
    return 2;
  }
  if (arch != "x86" && arch != "x64") {
    std::fprintf(stderr, "tarnpack: --arch takes x86 or x64, not %s\n\n%s", arch.c_str(), kUsage);
    return 2;
  }
  const SigningOptions& sign = o.signing;
  if (sign.certificate.empty() != sign.key.empty()) {
    std::fprintf(stderr, "tarnpack: --sign and --key go together\n\n%s", kUsage);
    return 2;
  }
  if (!sign.Wanted() && (!sign.timestampUrl.empty() || !sign.caFile.empty())) {
    std::fprintf(stderr, "tarnpack: --timestamp and --ca go with --sign\n\n%s", kUsage);
    return 2;
  }
  // Reproducible builds: https://reproducible-builds.org/specs/source-date-epoch/
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch && *epoch) {
    char* end = nullptr;
    const long long n = std::strtoll(epoch, &end, 10);
    if (*end || n < 0 || n > 0xFFFFFFFFLL || epoch[0] < '0' || epoch[0] > '9') {
      std::fprintf(stderr, "tarnpack: SOURCE_DATE_EPOCH is not a time in seconds since 1970-01-01 00:00 UTC: %s\n",
                   epoch);
      return 2;
    }
    o.sourceDateEpoch = n;
  }
  if (wingetFolder.empty() && wingetOptions) {
    std::fprintf(stderr, "tarnpack: --id, --url, --license and --description go with --winget\n\n%s", kUsage);
    return 2;
  }
  if (!wingetFolder.empty()) {
    if (winget.id.empty() || winget.url.empty()) {
      std::fprintf(stderr, "tarnpack: --winget needs --id PUBLISHER.PRODUCT and --url URL, the address winget "
                           "downloads the package from\n\n%s", kUsage);
      return 2;
    }
    if (!IsWingetIdentifier(winget.id)) {
      std::fprintf(stderr, "tarnpack: --id takes a winget package identifier, Publisher.Product: 2 to 8 parts "
                           "separated by dots, each 1 to 32 characters without blanks or \\ / : * ? \" < > |, "
                           "128 at most, not %s\n", winget.id.c_str());
      return 2;
    }
    if (!IsWingetUrl(winget.url)) {
      std::fprintf(stderr, "tarnpack: --url takes an http:// or https:// address of at most 2048 characters, "
                           "not %s\n", winget.url.c_str());
      return 2;
    }
    winget.architecture = arch;
    winget.copyright = o.copyright;
    std::string why;
    if (!ReadWingetFields(o.information, &winget, &why)) {
      std::fprintf(stderr, "tarnpack: %s\n", why.c_str());
      return 1;
    }
  }
  // The stubs and the data beside tarnpack (the build tree), else where
  // an installed tarnpack finds them.
  if (o.stub.empty()) {
    const std::string name = arch == "x64" ? "tarnstub64.exe" : "tarnstub.exe";
    o.stub = fs::ProgramFolder() + name;
    if (!fs::IsFile(o.stub) && fs::IsFile(InstalledFolder() + name)) o.stub = InstalledFolder() + name;
  }
  if (o.dataFolder.empty() && !fs::IsFolder(fs::ProgramFolder() + "data") && fs::IsFolder(InstalledFolder()))
    o.dataFolder = InstalledFolder();

  BuildReport report;
  std::string error;
  if (!BuildPackage(o, &report, &error)) {
    std::fprintf(stderr, "tarnpack: %s\n", error.c_str());
    return 1;
  }
  for (const std::string& note : report.notes) std::printf("tarnpack: %s\n", note.c_str());
  std::printf("tarnpack: wrote %s (%lld bytes; payload archive %lld, information archive %lld, "
              "required space %llu)\n",
              o.output.c_str(), static_cast<long long>(report.packageSize),
              static_cast<long long>(report.payloadArchive), static_cast<long long>(report.informationArchive),
              static_cast<unsigned long long>(report.requiredSpace));
  if (!wingetFolder.empty()) {
    std::vector<std::string> written;
    if (!WriteWingetManifests(wingetFolder, winget, o.output, &written, &error)) {
      std::fprintf(stderr, "tarnpack: %s\n", error.c_str());
      return 1;
    }
    for (const std::string& path : written) std::printf("tarnpack: wrote %s\n", path.c_str());
  }
  return 0;
}
