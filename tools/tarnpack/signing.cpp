#include "tools/tarnpack/signing.h"

#include "package/trailer.h"
#include "tools/tarnpack/fs.h"
#include "tools/tarnpack/pe_resources.h"

namespace {

bool Fail(std::string* error, const std::string& text) {
  *error = text;
  return false;
}

void Put32(std::string* s, int64_t at, uint32_t value) {
  for (int b = 0; b < 4; ++b) (*s)[static_cast<size_t>(at + b)] = static_cast<char>(value >> (8 * b));
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t from = 0;
  while (from < text.size()) {
    size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(from, end - from);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    out.push_back(line);
    from = end + 1;
  }
  return out;
}

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// The value after the colon of the first line whose text before the colon
// is `name` (blanks around either ignored).
bool Field(const std::vector<std::string>& lines, const std::string& name, std::string* value) {
  for (const std::string& line : lines) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos || Trim(line.substr(0, colon)) != name) continue;
    *value = Trim(line.substr(colon + 1));
    return true;
  }
  return false;
}

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The lines of osslsigncode's output worth showing: without OpenSSL's error
// queue ("40F0...:error:...") and blank lines; for a failed check only those
// that say what failed.
std::string Excerpt(const std::string& output, bool problemsOnly) {
  std::string out;
  int kept = 0;
  for (const std::string& line : Lines(output)) {
    if (Trim(line).empty() || Contains(line, ":error:")) continue;
    if (problemsOnly && !Contains(line, "rror") && !Contains(line, "ailed") && !Contains(line, "MISMATCH")) continue;
    if (++kept > 12) break;
    out += "\n  " + Trim(line);
  }
  return out;
}

const char kMissing[] = " (the osslsigncode package brings it)";

}  // namespace

uint32_t PeChecksum(const std::string& file, int64_t checksumAt) {
  PeChecksumSum sum(checksumAt);
  sum.Add(file.data(), file.size());
  return sum.Result();
}

bool StripSignature(std::string* stub, bool* stripped, std::string* error) {
  *stripped = false;
  const int64_t length = static_cast<int64_t>(stub->size());
  PeHeaders pe;
  const auto* bytes = reinterpret_cast<const unsigned char*>(stub->data());
  if (!ReadPeHeaders(bytes, length < kPeHeadSize ? length : kPeHeadSize, &pe) || !pe.Signed()) return true;
  const int64_t table = pe.tableOffset;
  if (table + pe.tableSize != length || table < pe.imageEnd)
    return Fail(error, "the setup stub's certificate table is not at its end; the stub cannot be used");
  int64_t end = table;
  while (end > pe.imageEnd && table - end < 7 && (*stub)[static_cast<size_t>(end - 1)] == '\0') --end;
  stub->resize(static_cast<size_t>(end));
  Put32(stub, pe.securityEntryAt, 0);
  Put32(stub, pe.securityEntryAt + 4, 0);
  Put32(stub, pe.checksumAt, PeChecksum(*stub, pe.checksumAt));
  *stripped = true;
  return true;
}

VerifyReport ReadVerifyReport(const std::string& output) {
  const std::vector<std::string> lines = Lines(output);
  VerifyReport r;
  std::string current, calculated, subject, issuer;
  if (Field(lines, "Current message digest", &current) && Field(lines, "Calculated message digest", &calculated))
    r.digestsMatch = !current.empty() && current == calculated && !Contains(output, "MISMATCH");
  r.issuerMissing = Contains(output, "unable to get local issuer certificate");
  r.selfSigned = Field(lines, "Subject", &subject) && Field(lines, "Issuer", &issuer) && subject == issuer;
  r.signer = subject;
  Field(lines, "Timestamp time", &r.timestamp);
  Field(lines, "Error", &r.problem);
  return r;
}

bool SignPackage(const SigningOptions& o, const std::string& in, const std::string& out,
                 std::vector<std::string>* notes, std::string* error) {
  std::vector<std::string> sign = {"osslsigncode", "sign", "-certs", o.certificate, "-key", o.key};
  if (!o.description.empty()) sign.insert(sign.end(), {"-n", o.description});
  if (!o.url.empty()) sign.insert(sign.end(), {"-i", o.url});
  if (!o.timestampUrl.empty()) sign.insert(sign.end(), {"-ts", o.timestampUrl});
  // A fixed signing time makes the same signature of the same bytes. A time
  // stamp is another matter: the server's answer (its time, its serial
  // number, its signature) can never be made again.
  if (o.signingTime >= 0) sign.insert(sign.end(), {"-time", std::to_string(o.signingTime)});
  sign.insert(sign.end(), {"-h", "sha256", "-in", in, "-out", out});
  int code = -1;
  std::string output;
  if (!fs::RunProgram(sign, &code, &output, error)) return Fail(error, *error + kMissing);
  if (code != 0)
    return Fail(error, "signing failed (osslsigncode sign, exit code " + std::to_string(code) + "):" +
                           Excerpt(output, false));
  notes->push_back("signed with " + o.certificate + " (SHA-256" +
                   (o.timestampUrl.empty() ? std::string() : ", time stamp from " + o.timestampUrl) + ")");

  const std::string ca = o.caFile.empty() ? o.certificate : o.caFile;
  if (!fs::RunProgram({"osslsigncode", "verify", "-CAfile", ca, "-in", out}, &code, &output, error))
    return Fail(error, *error + kMissing);
  if (code == 0) {
    notes->push_back("checked the signature against " + ca);
    return true;
  }
  const VerifyReport report = ReadVerifyReport(output);
  if (o.caFile.empty() && report.digestsMatch && report.issuerMissing && !report.selfSigned) {
    notes->push_back("checked that the signature is whole, but not its certificate chain: " + o.certificate +
                     " is not self-signed (--ca FILE names the certificates that issued it)");
    return true;
  }
  return Fail(error, "the signature does not check out (osslsigncode verify -CAfile " + ca + ", exit code " +
                         std::to_string(code) + "):" + Excerpt(output, true));
}
