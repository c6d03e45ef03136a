// libcurl, opened the first time a transfer starts rather than linked: a
// process that downloads nothing never loads it, nor the thirty-odd
// libraries it needs. Only its header is used at build time.
#pragma once

#include <curl/curl.h>

#include <string>

namespace kv {

// The functions of libcurl that the transfers call.
struct CurlLibrary {
  decltype(&curl_global_init) global_init = nullptr;
  decltype(&curl_multi_init) multi_init = nullptr;
  decltype(&curl_multi_cleanup) multi_cleanup = nullptr;
  decltype(&curl_multi_add_handle) multi_add_handle = nullptr;
  decltype(&curl_multi_remove_handle) multi_remove_handle = nullptr;
  decltype(&curl_multi_perform) multi_perform = nullptr;
  decltype(&curl_multi_info_read) multi_info_read = nullptr;
  decltype(&curl_multi_poll) multi_poll = nullptr;
  decltype(&curl_easy_init) easy_init = nullptr;
  decltype(&curl_easy_cleanup) easy_cleanup = nullptr;
  decltype(&curl_easy_setopt) easy_setopt = nullptr;
  decltype(&curl_easy_getinfo) easy_getinfo = nullptr;
  decltype(&curl_easy_strerror) easy_strerror = nullptr;
  decltype(&curl_slist_append) slist_append = nullptr;
  decltype(&curl_slist_free_all) slist_free_all = nullptr;
};

// libcurl, loaded and initialised by the first call (thread-safe) and kept
// for the rest of the process. nullptr when it cannot be loaded, with the
// reason and what to install in *error; every later call answers the same.
const CurlLibrary* Curl(std::string* error);

// Opens the library file `file` and fills *lib (nothing is initialised, and
// the library stays loaded). False, with the reason in *error, when the file
// cannot be opened or lacks one of the functions.
bool LoadCurlLibrary(const char* file, CurlLibrary* lib, std::string* error);

}  // namespace kv
