#!/usr/bin/env bash
# Installs, from Debian's packages (on a Mac, Homebrew's), whatever Scanbrook needs to build, test
# and demo that this machine does not have yet. Safe to run again; does nothing when all is there.
# With package names as arguments it installs those instead (the benchmarks, the fuzzers and
# the screenshot need a few tools of their own).
set -euo pipefail

# On a Mac the libraries come from Homebrew (README, "Building on a Mac"): what the macos preset
# builds and tests with. Debian's package names given as arguments mean nothing there.
if [[ "$(uname -s)" == Darwin ]]; then
    # qtbase alone (Homebrew's qt installs every module, whose plug-ins macdeployqt would then
    # ship), and with it the ICU formula it links, which the build takes.
    formulae=(cmake pkgconf qtbase simdjson libplist googletest librsvg)
    missing=()
    for formula in "${formulae[@]}"; do
        if ! brew list --versions "$formula" >/dev/null 2>&1; then
            missing+=("$formula")
        fi
    done
    if ((${#missing[@]} > 0 && $# == 0)); then
        echo "Installing: ${missing[*]}"
        brew install "${missing[@]}"
    fi
    exit 0
fi

packages=(
    cmake g++ make pkg-config
    qt6-base-dev libicu-dev libsimdjson-dev libplist-dev libsqlite3-dev sqlite3
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth fonts-noto-color-emoji clang-format
    librsvg2-bin icnsutils libplist-utils shellcheck python3-jsonschema nodejs
)
if (($# > 0)); then
    packages=("$@")
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
    sudo_cmd=(sudo)
fi
# A fresh machine has no package lists yet.
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
