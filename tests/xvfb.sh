#!/bin/sh
# The X server of the gui and e2e tests (a CTest fixture).
#   xvfb.sh start DIR [OPTION...]   writes DIR/display: $DISPLAY when one is
#                       set and no Xvfb option is given, else the display of an
#                       Xvfb started here with the options (its pid in DIR/pid)
#   xvfb.sh stop DIR    stops that Xvfb
#   xvfb.sh run DIR COMMAND...   runs COMMAND on the display of DIR/display
dir=$2
case $1 in
start)
  mkdir -p "$dir" && rm -f "$dir/display" "$dir/pid" "$dir/number"
  shift 2
  if [ -n "$DISPLAY" ] && [ $# -eq 0 ]; then echo "$DISPLAY" >"$dir/display"; exit 0; fi
  # Xvfb writes its display number to descriptor 3 once it accepts clients.
  # -noreset: a server that resets when its last client leaves refuses the
  # next test's first connection while it does.
  Xvfb -displayfd 3 -noreset -screen 0 1920x1080x24 -nolisten tcp "$@" 3>"$dir/number" >"$dir/log" 2>&1 </dev/null &
  echo $! >"$dir/pid"
  i=0
  until n=$(cat "$dir/number" 2>/dev/null) && [ -n "$n" ]; do
    kill -0 "$(cat "$dir/pid")" 2>/dev/null || { cat "$dir/log"; exit 1; }
    i=$((i + 1)); [ $i -lt 600 ] || { echo "Xvfb did not start"; exit 1; }
    sleep 0.05
  done
  echo ":$n" >"$dir/display" ;;
stop)
  [ -s "$dir/pid" ] && kill "$(cat "$dir/pid")" 2>/dev/null
  rm -f "$dir/display" "$dir/pid" ;;
run)
  shift 2
  [ -s "$dir/display" ] && DISPLAY=$(cat "$dir/display") && export DISPLAY
  exec "$@" ;;
esac
