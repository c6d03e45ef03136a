// The table of fuzz targets: one per reader of outside input.
#include "fuzz/targets/harness.h"

namespace kv::fuzz {

void FuzzPriceFile(const uint8_t* data, size_t size);
void FuzzKvnFile(const uint8_t* data, size_t size);
void FuzzOptionsFile(const uint8_t* data, size_t size);
void FuzzBatchFile(const uint8_t* data, size_t size);
void FuzzHttpResponse(const uint8_t* data, size_t size);
void FuzzLoaderConfig(const uint8_t* data, size_t size);
void FuzzSymbolList(const uint8_t* data, size_t size);

const Target kTargets[] = {
    {"price_file", FuzzPriceFile, 32768},
    {"kvn_file", FuzzKvnFile, 16384},
    {"options_file", FuzzOptionsFile, 8192},
    {"batch_file", FuzzBatchFile, 2048},
    {"http_response", FuzzHttpResponse, 4096},
    {"loader_config", FuzzLoaderConfig, 8192},
    {"symbol_list", FuzzSymbolList, 4096},
};
const int kTargetCount = sizeof kTargets / sizeof kTargets[0];

}  // namespace kv::fuzz
