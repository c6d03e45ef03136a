#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests or the demo need,
# only those that are missing. Usage: tools/install-deps.sh [build|test|gui|bench|fuzz]...
set -euo pipefail
# Every build compiles the core, whose transfers need libcurl.
want=(cmake g++ make libcurl4-openssl-dev)
for what in "$@"; do
  case "$what" in
    build) ;;
    test)  want+=(libgtest-dev libgmock-dev qt6-base-dev fonts-dejavu-core tinyproxy openssl
                 man-db desktop-file-utils parallel) ;;
    gui)   want+=(qt6-base-dev fonts-dejavu-core) ;;
    bench) want+=(libbenchmark-dev libfann-dev) ;;
    fuzz)  want+=(clang libclang-rt-14-dev) ;;
  esac
done
missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
