# Shared by scripts/demo and scripts/test: install what is missing, then configure and build.
# Sourced, not run; the caller sets -euo pipefail.

# Debian 12 packages the build, the tests and the demo need. libssl-dev gives OpenSSL's libcrypto,
# whose SHA-256 the hash lists use; fonts-liberation gives the windows Liberation Sans where MS
# Sans Serif is missing; googletest holds /usr/src/googletest; libfuse3-dev and fuse3 give the
# tests their fault file system; desktop-file-utils and appstream validate the menu entry and the
# AppStream metainfo; xvfb, xauth and xdotool run the window tests once more on a real X display,
# with the window system's own input.
PIXFERRY_PACKAGES=(
  cmake ninja-build g++ pkg-config
  libssl-dev
  qt6-base-dev qt6-qpa-plugins libqt6test6
  libgtest-dev googletest libbenchmark-dev
  libfuse3-dev fuse3
  fonts-liberation
  desktop-file-utils appstream
  xvfb xauth xdotool
)

# Cache settings added to the configure step (cmake -D...); the caller may set them.
PIXFERRY_CMAKE_ARGS=()

pixferry_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

pixferry_say() { printf '\n==> %s\n' "$*"; }

# Installs only the packages that are not there yet; apt-get update runs only then.
pixferry_install_missing() {
  local missing=() package
  for package in "${PIXFERRY_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  if [[ ${#missing[@]} -eq 0 ]]; then
    pixferry_say "All needed packages are installed"
    return
  fi
  if ! command -v apt-get >/dev/null; then
    echo "Missing packages: ${missing[*]}; install them with your package manager." >&2
    exit 1
  fi
  local sudo=()
  if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "Run as root, or install sudo, to install: ${missing[*]}" >&2; exit 1; }
    sudo=(sudo)
  fi
  pixferry_say "Installing ${missing[*]}"
  "${sudo[@]}" apt-get update
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

# Configures with the default preset (build/default) and builds the given targets, or everything.
pixferry_build() {
  cd "$pixferry_root"
  pixferry_say "Configuring (cmake --preset default ${PIXFERRY_CMAKE_ARGS[*]})"
  cmake --preset default "${PIXFERRY_CMAKE_ARGS[@]}"
  pixferry_say "Building"
  if [[ $# -gt 0 ]]; then
    cmake --build --preset default --target "$@"
  else
    cmake --build --preset default
  fi
}
