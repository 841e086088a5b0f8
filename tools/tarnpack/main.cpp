// tarnpack: makes a package from the setup stub, a payload folder and an
// information folder.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/tarnpack/builder.h"
#include "tools/tarnpack/fs.h"

namespace {

const char kUsage[] =
    "usage: tarnpack --payload DIR --info DIR --out FILE [--arch x86|x64] [--stub FILE] [--languages NAME,NAME...]\n"
    "                [--data DIR] [--icon FILE.ico] [--copyright TEXT] [--level N]\n"
    "                [--sign CERT --key KEY [--timestamp URL] [--ca FILE]]\n"
    "\n"
    "  --payload DIR      the files to install\n"
    "  --info DIR         Config/Script.ini, and optionally Languages/*.ini, Resources/WizBitmap.bmp,\n"
    "                     Resources/HeadBitmap.bmp, Resources/License.txt, Resources/ReadMe.txt\n"
    "  --out FILE         the package to write\n"
    "  --arch x86|x64     the setup stub's architecture: x86 (default) takes tarnstub.exe, x64 tarnstub64.exe,\n"
    "                     beside tarnpack\n"
    "  --stub FILE        the setup stub (instead of --arch)\n"
    "  --languages LIST   shipped localization files to add (default: English when --info brings none)\n"
    "  --data DIR         folder of the shipped localization files and bitmaps (default: data beside tarnpack)\n"
    "  --icon FILE.ico    the icon of the package and of its uninstaller (default: the setup stub's)\n"
    "  --copyright TEXT   the copyright notice in the version information of both\n"
    "  --level N          compression, 1 (fastest build) to 12 (smallest package, the default)\n"
    "  --sign CERT        sign the package (Authenticode, SHA-256) with this certificate, PEM, through\n"
    "                     osslsigncode, and check the signature before the package is put in place\n"
    "  --key KEY          the certificate's private key, PEM (with --sign)\n"
    "  --timestamp URL    have the signature time-stamped by this RFC 3161 server (with --sign)\n"
    "  --ca FILE          the certificates that issued CERT, for the check of its chain (default: CERT;\n"
    "                     a certificate that is not self-signed is then checked without its chain)\n"
    "\n"
    "The package and its uninstaller name the product: their version information comes from the setup\n"
    "script's AppName, Version and CompanyName. --sign signs the uninstaller too.\n"
    "A setup stub that carries a signature loses it: archives after a signature leave a package unreadable.\n"
    "Signing runs osslsigncode; the Windows build of tarnpack does not sign.\n";

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

}  // namespace

int main(int argc, char** argv) {
  BuildOptions o;
  std::string arch = "x86";
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "tarnpack: %s needs a value\n\n%s", a.c_str(), kUsage);
      return 2;
    }
    std::string v = argv[++i];
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
  if (o.stub.empty()) o.stub = fs::ProgramFolder() + (arch == "x64" ? "tarnstub64.exe" : "tarnstub.exe");

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
  return 0;
}
