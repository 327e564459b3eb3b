#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test suite (unit, gui and
# e2e) under an X server of its own when no display is set.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

pcvr_install_packages
pcvr_build
pcvr_start_x
trap pcvr_stop_x EXIT
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
cd "$PCVR_BUILD"
ctest --output-on-failure -j2 "$@"
