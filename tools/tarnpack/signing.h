// Code signing (Authenticode). A setup stub that carries a signature loses
// it before the archives are appended: archives after a certificate table
// would leave the package unreadable (package/trailer.h). A finished package
// is signed with osslsigncode, and the signature is checked before the
// package is used.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SigningOptions {
  std::string certificate;   // the signer's certificate, PEM (with its chain, if any)
  std::string key;           // its private key
  std::string timestampUrl;  // an RFC 3161 time-stamp server; empty: none
  std::string caFile;        // certificates the chain is checked against; empty: `certificate`
  // The signing time written into the signature, seconds since 1970-01-01
  // 00:00 UTC; -1: now.
  int64_t signingTime = -1;
  // What the signature says of the program (set by the builder from the
  // setup script): the product's name and web site; empty: nothing.
  std::string description, url;
  bool Wanted() const { return !certificate.empty(); }
};

// Takes the signature off a setup stub held in memory: the security
// directory is cleared, the certificate table is cut off with the zero bytes
// before it that lie past the stub's image, and the PE checksum is set anew.
// `*stripped` tells whether there was a signature. False with `error` when
// the table is not at the stub's end.
bool StripSignature(std::string* stub, bool* stripped, std::string* error);

// The PE checksum of a file, its CheckSum field (at `checksumAt`) counted as zero.
uint32_t PeChecksum(const std::string& file, int64_t checksumAt);

// What `osslsigncode verify` printed about a signature.
struct VerifyReport {
  bool digestsMatch = false;   // the file's digest is the one that was signed
  bool issuerMissing = false;  // the chain ends at a certificate whose issuer was not given
  bool selfSigned = false;     // the signer's certificate names itself as its issuer
  std::string signer;          // the signer's certificate's subject ("/CN=...")
  std::string timestamp;       // the time stamp's time; empty without one
  std::string problem;         // the first error it names ("self-signed certificate")
};
VerifyReport ReadVerifyReport(const std::string& output);

// Signs the package `in` into `out` and checks the signature:
//   osslsigncode sign -certs CERT -key KEY [-n DESCRIPTION] [-i URL] [-ts URL] -h sha256 -in IN -out OUT
//   osslsigncode verify -CAfile CA -in OUT          (CA: caFile, or CERT)
// The check passes when verify succeeds; or, with no CA file given and a
// certificate that is not self-signed, when verify failed only for the
// missing issuer and the file's digest is the signed one (its chain then
// goes unchecked, which `notes` says). osslsigncode itself refuses a key
// that does not belong to the certificate. False with `error` otherwise;
// `out` may then exist, and the caller removes it.
bool SignPackage(const SigningOptions& options, const std::string& in, const std::string& out,
                 std::vector<std::string>* notes, std::string* error);
