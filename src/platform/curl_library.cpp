#include "platform/curl_library.h"

#include <dlfcn.h>

#include <type_traits>

namespace kv {

bool LoadCurlLibrary(const char* file, CurlLibrary* lib, std::string* error) {
  void* handle = dlopen(file, RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    *error = why ? why : file;
    return false;
  }
  bool ok = true;
  auto find = [&](auto& fn, const char* name) {
    fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(handle, name));
    if (!fn && ok) {
      ok = false;
      *error = std::string(file) + " has no " + name + " (libcurl 7.66 or later is needed)";
    }
  };
  find(lib->global_init, "curl_global_init");
  find(lib->multi_init, "curl_multi_init");
  find(lib->multi_cleanup, "curl_multi_cleanup");
  find(lib->multi_add_handle, "curl_multi_add_handle");
  find(lib->multi_remove_handle, "curl_multi_remove_handle");
  find(lib->multi_perform, "curl_multi_perform");
  find(lib->multi_info_read, "curl_multi_info_read");
  find(lib->multi_poll, "curl_multi_poll");
  find(lib->easy_init, "curl_easy_init");
  find(lib->easy_cleanup, "curl_easy_cleanup");
  find(lib->easy_setopt, "curl_easy_setopt");
  find(lib->easy_getinfo, "curl_easy_getinfo");
  find(lib->easy_strerror, "curl_easy_strerror");
  find(lib->slist_append, "curl_slist_append");
  find(lib->slist_free_all, "curl_slist_free_all");
  // Kept loaded even when incomplete: unloading a library that has run its
  // constructors is not worth the risk for the few bytes.
  return ok;
}

namespace {

struct Loaded {
  CurlLibrary lib;
  bool ok = false;
  std::string error;

  Loaded() {
    // The OpenSSL build, else the GnuTLS one: Debian and Ubuntu install
    // either under these names, with the same functions.
    std::string first_error;
    for (const char* file : {"libcurl.so.4", "libcurl-gnutls.so.4"}) {
      std::string why;
      if (LoadCurlLibrary(file, &lib, &why)) {
        ok = lib.global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
        if (!ok) error = "libcurl could not be initialised";
        return;
      }
      if (first_error.empty()) first_error = why;
    }
    error = "downloads need libcurl, which could not be loaded (" + first_error +
            "); install it (Debian, Ubuntu: apt install libcurl4)";
  }
};

}  // namespace

const CurlLibrary* Curl(std::string* error) {
  static const Loaded loaded;   // once, thread-safe
  if (!loaded.ok) {
    if (error) *error = loaded.error;
    return nullptr;
  }
  return &loaded.lib;
}

}  // namespace kv
