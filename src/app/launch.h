// Starting other programs without waiting for them: the web browser and the
// user's text viewer ("Notepad"). Without a window system (the command-line
// program) the address or the file is printed instead of opened.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kv {

// The vendor's web address, named when no browser can be found.
#ifndef KV_VENDOR_ADDRESS
#define KV_VENDOR_ADDRESS "https://www.kestrivane.com/"
#endif
inline constexpr const char* kVendorAddress = KV_VENDOR_ADDRESS;

// Opens url in a web browser; true when one was started. When none can be
// started the user is told where the information is.
bool BrowseTo(const char* url);

// The roots of the system's application registry. This platform has no such
// registry: the lookups find nothing, so the browser search goes on to the
// usual browser commands.
enum class RegRoot { LocalMachine, ClassesRoot };
// The program path stored as the default value of a registry key, or null.
// The text lives in one process-wide buffer that the next call overwrites.
const char* GetKeyDefault(RegRoot root, const char* subKey);

// Shows file in the user's text viewer; when it cannot be started says so,
// naming shownName ("report.txt", "batch.log"), and returns false.
bool OpenInNotepad(const char* file, const char* shownName);

// ---- seams for tests ----
// Starts argv[0] (searched on PATH) with argv, without waiting; true when it
// started. Replacing it also replaces the headless printing.
using SpawnFn = std::function<bool(const std::vector<std::string>& argv)>;
void SetSpawnForTesting(SpawnFn fn);   // an empty function restores the real one
// Default values of registry keys; an empty function restores "nothing".
using RegistryFn = std::function<std::optional<std::string>(RegRoot, const std::string&)>;
void SetRegistryForTesting(RegistryFn fn);

}  // namespace kv
