// Signed packages, natively: tarnpack signs with throw-away certificates
// through osslsigncode, the signatures of the package and of the uninstaller
// it carries check out and the archives stay where the setup stub finds
// them; a damaged package fails the check; a failed signing leaves nothing
// behind; a signed setup stub loses its signature. TARNSTUB_DIR names the
// folder of the real setup stubs, TARNPACK the tool, TARN_SIGNED_PACKAGES
// the signed packages beside the Windows tests (tests/e2e/make_signed.sh).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "package/trailer.h"
#include "tools/tarnpack/builder.h"
#include "tools/tarnpack/signing.h"
#include "tests/tools/tool_files.h"

namespace {

std::string g_root;   // the test run's folder
std::string g_stubs;  // the real setup stubs

// What a shell command wrote to its standard output and error.
std::string Output(const std::string& command) {
  std::string out;
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  char buf[512];
  while (p && fgets(buf, sizeof buf, p)) out += buf;
  if (p) pclose(p);
  return out;
}

// The exit code of a shell command, its output thrown away.
int Shell(const std::string& command) {
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Cert(const std::string& name) { return g_root + "/keys/" + name; }

// The folder's entries, one per line, sorted.
std::string Listing(const std::string& folder) {
  std::string out;
  FILE* p = popen(("ls -A '" + folder + "'").c_str(), "r");
  char buf[512];
  while (p && fgets(buf, sizeof buf, p)) out += buf;
  if (p) pclose(p);
  return out;
}

struct Parts {
  std::string stub, payload, info, rest;  // rest: what follows the trailer
};

Parts Split(const std::string& package) {
  PackageLayout l;
  EXPECT_EQ(ReadPackageLayout(reinterpret_cast<const unsigned char*>(package.data()),
                              static_cast<int64_t>(package.size()), &l),
            TrailerState::kWhole);
  Parts p;
  const size_t end = static_cast<size_t>(l.infoOffset + l.infoLength + kTrailerSize);
  p.stub = package.substr(0, static_cast<size_t>(l.payloadOffset));
  p.payload = package.substr(static_cast<size_t>(l.payloadOffset), static_cast<size_t>(l.payloadLength));
  p.info = package.substr(static_cast<size_t>(l.infoOffset), static_cast<size_t>(l.infoLength));
  p.rest = package.substr(std::min(end, package.size()));
  return p;
}

bool Contains(const std::vector<std::string>& notes, const std::string& part) {
  for (const std::string& n : notes)
    if (n.find(part) != std::string::npos) return true;
  return false;
}

class Signing : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = g_root + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::system(("rm -rf '" + dir_ + "'").c_str());
    Write(dir_ + "/payload/App.exe", "program");
    Write(dir_ + "/payload/docs/manual.txt", std::string(20000, 'm'));
    Write(dir_ + "/info/Config/Script.ini", "[GeneralInformation]\r\nAppName = Demo\r\nWebsite = https://demo.example/\r\n");
    Write(dir_ + "/info/Languages/English.ini", "[TSF Localization File]\r\nLanguage = English\r\n");
    std::system(("mkdir -p '" + dir_ + "/out'").c_str());
    options_.stub = g_stubs + "/tarnstub.exe";
    options_.payload = dir_ + "/payload";
    options_.information = dir_ + "/info";
    options_.dataFolder = dir_ + "/data";
  }

  // Builds `name` in the output folder.
  bool Build(BuildOptions o, const std::string& name, BuildReport* report, std::string* error) {
    o.output = dir_ + "/out/" + name;
    return BuildPackage(o, report, error);
  }

  BuildOptions Signed(const std::string& cert = "self.pem", const std::string& key = "self.key") const {
    BuildOptions o = options_;
    o.signing.certificate = Cert(cert);
    o.signing.key = Cert(key);
    return o;
  }

  std::string Out(const std::string& name) const { return dir_ + "/out/" + name; }

  std::string dir_;
  BuildOptions options_;
};

TEST_F(Signing, SignedPackageChecksOutAndKeepsItsArchives) {
  for (const char* stub : {"tarnstub.exe", "tarnstub64.exe"}) {
    SCOPED_TRACE(stub);
    options_.stub = g_stubs + "/" + stub;
    BuildReport plain, report;
    std::string error;
    ASSERT_TRUE(Build(options_, "unsigned.exe", &plain, &error)) << error;
    ASSERT_TRUE(Build(Signed(), "signed.exe", &report, &error)) << error;
    EXPECT_TRUE(Contains(report.notes, "signed with " + Cert("self.pem") + " (SHA-256)"));
    EXPECT_TRUE(Contains(report.notes, "checked the signature against " + Cert("self.pem")));
    EXPECT_EQ(Shell("osslsigncode verify -CAfile '" + Cert("self.pem") + "' -in '" + Out("signed.exe") + "'"), 0);

    const std::string unsignedBytes = ReadAll(Out("unsigned.exe")), signedBytes = ReadAll(Out("signed.exe"));
    EXPECT_EQ(report.packageSize, static_cast<int64_t>(signedBytes.size()));
    EXPECT_EQ(StoredChecksum(signedBytes), Checksum(signedBytes));
    const Parts a = Split(unsignedBytes), b = Split(signedBytes);
    EXPECT_EQ(b.payload, a.payload);
    EXPECT_EQ(b.info, a.info);
    EXPECT_EQ(a.rest, "");
    // The uninstaller it carries is signed alike, and names the product.
    std::string uninstaller;
    ASSERT_TRUE(CarriedUninstaller(b.stub, &uninstaller, &error)) << error;
    Write(Out("uninstaller.exe"), uninstaller);
    EXPECT_EQ(StoredChecksum(uninstaller), Checksum(uninstaller));
    for (const char* file : {"signed.exe", "uninstaller.exe"}) {
      const std::string said = Output("osslsigncode verify -CAfile '" + Cert("self.pem") + "' -in '" + Out(file) + "'");
      EXPECT_NE(said.find("Signature verification: ok"), std::string::npos) << file << ":\n" << said;
      EXPECT_NE(said.find("Text description: Demo"), std::string::npos) << said;
      EXPECT_NE(said.find("URL description: https://demo.example/"), std::string::npos) << said;
    }
    std::remove(Out("uninstaller.exe").c_str());
    // After the trailer: the zero bytes that align the table, then the table.
    PeHeaders pe;
    ASSERT_TRUE(ReadPeHeaders(reinterpret_cast<const unsigned char*>(signedBytes.data()), kPeHeadSize, &pe));
    const size_t padding = pe.tableOffset - (signedBytes.size() - b.rest.size());
    EXPECT_LT(padding, 8u);
    EXPECT_EQ(pe.tableOffset % 8, 0u);
    EXPECT_EQ(b.rest.substr(0, padding), std::string(padding, '\0'));
    EXPECT_EQ(b.rest.size(), padding + pe.tableSize);
    EXPECT_EQ(Listing(dir_ + "/out"), "signed.exe\nunsigned.exe\n");
  }
}

TEST_F(Signing, AChangedByteFailsTheCheck) {
  BuildReport report;
  std::string error;
  ASSERT_TRUE(Build(Signed(), "signed.exe", &report, &error)) << error;
  const std::string bytes = ReadAll(Out("signed.exe"));
  PackageLayout l;
  ASSERT_EQ(ReadPackageLayout(reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int64_t>(bytes.size()),
                              &l),
            TrailerState::kWhole);
  const struct {
    const char* what;
    int64_t at;
  } cases[] = {
      {"the stub's code", 0x1000},
      {"the payload archive", l.payloadOffset + l.payloadLength / 2},
      {"the information archive", l.infoOffset + 40},
      {"the trailer", l.infoOffset + l.infoLength + 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string changed = bytes;
    changed[static_cast<size_t>(c.at)] ^= 0x5A;
    Write(dir_ + "/changed.exe", changed);
    EXPECT_EQ(Shell("osslsigncode verify -CAfile '" + Cert("self.pem") + "' -in '" + dir_ + "/changed.exe'"), 1);
  }
}

TEST_F(Signing, FailedSigningLeavesNothingBehind) {
  const struct {
    const char* what;
    std::function<void(BuildOptions*)> change;
    const char* path;  // PATH for the build; null: as it is
    const char* error;
  } cases[] = {
      {"a key that is not the certificate's", [](BuildOptions* o) { o->signing.key = Cert("other.key"); }, nullptr,
       "signing failed (osslsigncode sign, exit code "},
      {"no osslsigncode on the PATH", [](BuildOptions*) {}, "/nonexistent", "cannot run osslsigncode: "},
      {"a time-stamp server that does not answer",
       [](BuildOptions* o) { o->signing.timestampUrl = "http://127.0.0.1:9/"; }, nullptr,
       "signing failed (osslsigncode sign, exit code "},
      {"a CA that did not issue the certificate", [](BuildOptions* o) { o->signing.caFile = Cert("other.pem"); },
       nullptr, "the signature does not check out (osslsigncode verify -CAfile "},
      {"a missing certificate", [](BuildOptions* o) { o->signing.certificate = Cert("none.pem"); }, nullptr,
       "the certificate "},
  };
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    BuildOptions o = Signed();
    c.change(&o);
    if (c.path) setenv("PATH", c.path, 1);
    BuildReport report;
    std::string error;
    const bool built = Build(o, "package.exe", &report, &error);
    setenv("PATH", path.c_str(), 1);
    EXPECT_FALSE(built);
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    EXPECT_EQ(Listing(dir_ + "/out"), "") << "the output folder keeps files";
  }
}

TEST_F(Signing, CertificateFromACaIsCheckedWithOrWithoutItsChain) {
  BuildReport report;
  std::string error;
  ASSERT_TRUE(Build(Signed("leaf.pem", "leaf.key"), "package.exe", &report, &error)) << error;
  EXPECT_TRUE(Contains(report.notes, "checked that the signature is whole, but not its certificate chain: " +
                                         Cert("leaf.pem") + " is not self-signed"));
  BuildOptions o = Signed("leaf.pem", "leaf.key");
  o.signing.caFile = Cert("ca.pem");
  ASSERT_TRUE(Build(o, "package.exe", &report, &error)) << error;
  EXPECT_TRUE(Contains(report.notes, "checked the signature against " + Cert("ca.pem")));
  EXPECT_EQ(Shell("osslsigncode verify -CAfile '" + Cert("ca.pem") + "' -in '" + Out("package.exe") + "'"), 0);
}

TEST_F(Signing, SignedStubLosesItsSignature) {
  const std::string stub = g_stubs + "/tarnstub.exe", signedStub = dir_ + "/signed-stub.exe";
  ASSERT_EQ(Shell("osslsigncode sign -certs '" + Cert("self.pem") + "' -key '" + Cert("self.key") +
                "' -h sha256 -in '" + stub + "' -out '" + signedStub + "'"),
            0);
  options_.stub = signedStub;
  BuildReport report;
  std::string error;
  ASSERT_TRUE(Build(options_, "unsigned.exe", &report, &error)) << error;
  EXPECT_TRUE(Contains(report.notes, "took the signature off the setup stub " + signedStub));
  // As if the stub had not been signed.
  const std::string fromSigned = ReadAll(Out("unsigned.exe"));
  options_.stub = stub;
  ASSERT_TRUE(Build(options_, "unsigned.exe", &report, &error)) << error;
  EXPECT_EQ(Split(fromSigned).stub, Split(ReadAll(Out("unsigned.exe"))).stub);
  options_.stub = signedStub;
  ASSERT_TRUE(Build(Signed(), "signed.exe", &report, &error)) << error;
  EXPECT_EQ(Shell("osslsigncode verify -CAfile '" + Cert("self.pem") + "' -in '" + Out("signed.exe") + "'"), 0);

  // A table that is not at the stub's end: refused.
  Write(dir_ + "/appended-stub.exe", ReadAll(signedStub) + "more");
  options_.stub = dir_ + "/appended-stub.exe";
  EXPECT_FALSE(Build(options_, "appended.exe", &report, &error));
  EXPECT_EQ(error, "the setup stub's certificate table is not at its end; the stub cannot be used");
}

// The packages that the end-to-end test installs under Wine, where
// osslsigncode cannot run: their signatures, and those of the uninstallers
// they carry (which an installation writes unchanged), check out.
TEST(SignedFixtures, PackagesAndTheirUninstallersCheckOut) {
  const char* list = std::getenv("TARN_SIGNED_PACKAGES");
  ASSERT_NE(list, nullptr) << "TARN_SIGNED_PACKAGES is not set";
  std::stringstream packages(list);
  std::string package, uninstaller, error;
  while (std::getline(packages, package, ':')) {
    SCOPED_TRACE(package);
    const std::string folder = package.substr(0, package.rfind('/')), copy = g_root + "/carried.exe";
    const std::string bytes = ReadAll(package);
    ASSERT_TRUE(CarriedUninstaller(bytes, &uninstaller, &error)) << error;
    Write(copy, uninstaller);
    EXPECT_EQ(StoredChecksum(bytes), Checksum(bytes));
    for (const std::string& file : {package, copy})
      EXPECT_EQ(Shell("osslsigncode verify -CAfile '" + folder + "/certificate.pem' -in '" + file + "'"), 0) << file;
  }
}

TEST(VerifyReport, TellsAMissingIssuerFromOtherFailures) {
  const std::string same = "Current message digest    : E6BF3A97 \nCalculated message digest : E6BF3A97 \n";
  const std::string leaf = "\tSigner #0:\n\t\tSubject: /CN=Leaf\n\t\tIssuer : /CN=Test CA\n";
  const std::string self = "\tSigner #0:\n\t\tSubject: /CN=Tarnwick Test\n\t\tIssuer : /CN=Tarnwick Test\n";
  const std::string issuer = "\tError: unable to get local issuer certificate\nSignature verification: failed\n";
  const struct {
    const char* what;
    std::string output;
    bool digestsMatch, issuerMissing, selfSigned;
  } cases[] = {
      {"a leaf without its CA", same + leaf + issuer, true, true, false},
      {"a self-signed certificate", same + self + "Signature verification: failed\n", true, false, true},
      {"a changed file",
       "Current message digest    : E6BF3A97 \nCalculated message digest : 1B53EFD5     MISMATCH!!!\n" + leaf + issuer,
       false, true, false},
      {"no digests", leaf + issuer, false, true, false},
      {"nothing", "", false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const VerifyReport r = ReadVerifyReport(c.output);
    EXPECT_EQ(r.digestsMatch, c.digestsMatch);
    EXPECT_EQ(r.issuerMissing, c.issuerMissing);
    EXPECT_EQ(r.selfSigned, c.selfSigned);
  }
}

TEST_F(Signing, CommandLineSignsAndSaysHow) {
  const char* tool = std::getenv("TARNPACK");
  if (!tool) GTEST_SKIP() << "TARNPACK not set";
  const std::string base = std::string(tool) + " --stub '" + options_.stub + "' --payload '" + options_.payload +
                           "' --info '" + options_.information + "' --data '" + options_.dataFolder + "' --out '" +
                           Out("package.exe") + "'";
  const std::string sign = " --sign '" + Cert("self.pem") + "' --key '" + Cert("self.key") + "'";
  const std::string said = "tarnpack: signed with " + Cert("self.pem") + " (SHA-256)";
  EXPECT_EQ(std::system((base + sign + " | grep -qxF '" + said + "'").c_str()), 0);
  EXPECT_EQ(Shell("osslsigncode verify -CAfile '" + Cert("self.pem") + "' -in '" + Out("package.exe") + "'"), 0);
  const struct {
    std::string arguments, message;
  } wrong[] = {
      {" --sign '" + Cert("self.pem") + "'", "tarnpack: --sign and --key go together"},
      {" --key '" + Cert("self.key") + "'", "tarnpack: --sign and --key go together"},
      {" --timestamp http://127.0.0.1:9/", "tarnpack: --timestamp and --ca go with --sign"},
  };
  for (const auto& w : wrong) {
    SCOPED_TRACE(w.arguments);
    const int status = std::system((base + w.arguments + " 2>&1 >/dev/null | head -n 1 | grep -qx -- '" +
                                    w.message + "'").c_str());
    EXPECT_EQ(status, 0);
    EXPECT_EQ(WEXITSTATUS(std::system((base + w.arguments + " >/dev/null 2>&1").c_str())), 2);
  }
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const char* stubs = std::getenv("TARNSTUB_DIR");
  if (!stubs) {
    std::fprintf(stderr, "TARNSTUB_DIR must name the folder of tarnstub.exe and tarnstub64.exe\n");
    return 1;
  }
  g_stubs = stubs;
  char tmpl[] = "/tmp/tarnpack-signing-XXXXXX";
  g_root = mkdtemp(tmpl);
  // Throw-away keys: a self-signed certificate, another one, and a CA with a
  // certificate it issued.
  const std::string keys = g_root + "/keys";
  const std::string make = "mkdir -p '" + keys + "' && cd '" + keys +
                           "' && openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Tarnwick Test' "
                           "-keyout self.key -out self.pem"
                           " && openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Someone Else' "
                           "-keyout other.key -out other.pem"
                           " && openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Tarnwick Test CA' "
                           "-keyout ca.key -out ca.pem"
                           " && openssl req -newkey rsa:2048 -nodes -subj '/CN=Tarnwick Test Leaf' "
                           "-keyout leaf.key -out leaf.csr"
                           " && printf 'basicConstraints=CA:FALSE\\nkeyUsage=digitalSignature\\n"
                           "extendedKeyUsage=codeSigning\\n' > leaf.ext"
                           " && openssl x509 -req -in leaf.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 "
                           "-extfile leaf.ext -out leaf.pem";
  if (Shell(make) != 0) {
    std::fprintf(stderr, "cannot make the test certificates with openssl\n");
    return 1;
  }
  const int result = RUN_ALL_TESTS();
  std::system(("rm -rf '" + g_root + "'").c_str());
  return result;
}
