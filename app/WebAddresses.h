#pragma once

// Every address of an outside service the program talks to or shows, and the
// version it announces to them. Nothing else in the program spells an address.
namespace WebAddresses {

// The running version: shown by --version, sent as the User-Agent and
// compared with the update manifest.
inline constexpr char kVersion[] = "1.0.1";

// The maker's site and the program's page on it (also where to download it).
inline constexpr char kSite[] = "https://velloran.com.br";
inline constexpr char kProductPage[] = "https://velloran.com.br/aplicacoes/orvel/";

// The manifest the update checker reads.
inline constexpr char kUpdateManifest[] = "https://velloran.com.br/downloads/apps/orvel/update.json";

// Mirrors of the public radio directory, tried in this order. The first is
// the directory's round-robin name, which spreads first tries over its servers.
inline constexpr const char* kRadioMirrors[] = {
    "https://all.api.radio-browser.info",
    "https://de2.api.radio-browser.info",
    "https://fi1.api.radio-browser.info",
    "https://nl1.api.radio-browser.info",
};

}  // namespace WebAddresses
