# Shared by the demo and the test runner: packages, build, X server.
# Sourced, not run.

PCVR_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PCVR_BUILD="${PCVR_BUILD:-$PCVR_ROOT/build}"
PCVR_CMAKE_ARGS=()

# Installs the Debian packages of tools/packages.txt that are missing.
pcvr_install_packages() {
  local missing=()
  local package
  while read -r package; do
    [[ -z "$package" || "$package" == \#* ]] && continue
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done < "$PCVR_ROOT/tools/packages.txt"
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [[ $(id -u) -ne 0 ]] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# Configures and builds $PCVR_BUILD; PCVR_CMAKE_ARGS (an array) adds cache
# settings, the arguments go to ninja (targets).
pcvr_build() {
  # ccache, where installed, makes a second build folder (or a clean rebuild) cheap.
  # Paths are taken relative to the checkout, so a fresh clone elsewhere
  # finds what an earlier one compiled.
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$PCVR_ROOT" CCACHE_NOHASHDIR=1
  cmake -S "$PCVR_ROOT" -B "$PCVR_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
    "${PCVR_CMAKE_ARGS[@]}" >/dev/null
  ninja -C "$PCVR_BUILD" "$@"
}

# Starts Xvfb on a free display when none is set; pcvr_stop_x stops it.
PCVR_XVFB_PID=""
pcvr_start_x() {
  if [[ -n "${DISPLAY:-}" ]]; then
    return 0
  fi
  local n
  for n in $(seq 90 140); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    Xvfb ":$n" -noreset -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
    PCVR_XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
      if [[ -e /tmp/.X11-unix/X$n ]]; then
        export DISPLAY=":$n"
        return 0
      fi
      kill -0 "$PCVR_XVFB_PID" 2>/dev/null || break
      sleep 0.05
    done
    kill "$PCVR_XVFB_PID" 2>/dev/null
    PCVR_XVFB_PID=""
  done
  echo "Could not start Xvfb" >&2
  return 1
}

pcvr_stop_x() {
  if [[ -n "$PCVR_XVFB_PID" ]]; then
    kill "$PCVR_XVFB_PID" 2>/dev/null
    wait "$PCVR_XVFB_PID" 2>/dev/null
    PCVR_XVFB_PID=""
  fi
}
