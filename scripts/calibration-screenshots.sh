#!/usr/bin/env bash
# Pictures of velmo's calibration workbench, in Chinese and in English, under Xvfb: each tab of
# the dialog with a filled table and the fit curve window, against the simulated logger of
# velmo --demo. The language is chosen in the main window's language box, as a user would.
#
#   scripts/calibration-screenshots.sh [OUTDIR]     (default docs/screenshots/calibration)
#
# Needs Xvfb, xdotool and ImageMagick's import; velmo built in ${QL310_BUILD_DIR:-build}.
# The dialog is opened with velmo's hidden --calibration option: the service chord needs a
# mouse button held while the memo's pop-up menu would take that very press.
set -euo pipefail
cd "$(dirname "$0")/.."
bin="$(pwd)/${QL310_BUILD_DIR:-build}/velmo"
out="$(realpath -m "${1:-docs/screenshots/calibration}")"
mkdir -p "$out"

export DISPLAY=":${QL_SHOT_DISPLAY:-87}"
Xvfb "$DISPLAY" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
velmo=
work="$(mktemp -d)"
cleanup() {
  [ -n "$velmo" ] && kill "$velmo" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
sleep 1

# Waits for a window whose title matches; prints its id.
window() {
  for _ in $(seq 120); do
    if id="$(xdotool search --name "$1" 2>/dev/null | tail -1)" && [ -n "$id" ]; then
      echo "$id"
      return
    fi
    sleep 0.5
  done
  echo "no window '$1'" >&2
  exit 1
}
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep "${4:-0.6}"; }
double_click() { xdotool mousemove --window "$1" "$2" "$3" click --repeat 2 --delay 60 1; sleep 0.6; }
# The table's pop-up menu, item number n (separators are skipped by the arrow keys).
menu_item() {
  xdotool mousemove --window "$1" "$2" "$3" click 3
  sleep 0.5
  for _ in $(seq "$4"); do xdotool key Down; done
  xdotool key Return
  sleep 1
}
shot() { import -window "$1" "$out/$2.png"; }
# Ends velmo as SIGTERM does (its exit steps run), or for good when it lingers.
stop_velmo() {
  kill -TERM "$velmo" 2>/dev/null || true
  for _ in $(seq 20); do kill -0 "$velmo" 2>/dev/null || break; sleep 0.25; done
  kill -KILL "$velmo" 2>/dev/null || true
  wait "$velmo" 2>/dev/null || true
  velmo=
}
# Chooses a file in the open dialog that the last click brought up.
choose_file() {
  sleep 1.5
  xdotool type --delay 20 "$1"
  xdotool key Return
  sleep 1
}

# Point files with the codes the simulated logger's sensors give (src/sim/acquisition.h), a
# little noise added: eleven pressure points, six temperature points for both sensors.
cat > "$work/pressure.ini" <<'INI'
[CONFIG]
校准点数=11
校准1=0
校准2=20000
校准3=40000
校准4=60000
校准5=80000
校准6=100000
校准7=120000
校准8=140000
校准9=160000
校准10=180000
校准11=200000
AD1_1=8388607
AD1_2=8628610
AD1_3=8868609
AD1_4=9108616
AD1_5=9348620
AD1_6=9588630
AD1_7=9828635
AD1_8=10068648
AD1_9=10308657
AD1_10=10548675
AD1_11=10788686
INI
cat > "$work/temperature.ini" <<'INI'
[CONFIG]
校准点数=6
校准1=-5
校准2=0
校准3=10
校准4=20
校准5=30
校准6=35
AD1_1=3694805
AD1_2=4194303
AD1_3=5196306
AD1_4=6202302
AD1_5=7212305
AD1_6=7718803
AD2_1=4150626
AD2_2=4599999
AD2_3=5502502
AD2_4=6409998
AD2_5=7322501
AD2_6=7780624
INI

for language in chinese english; do
  home="$work/home-$language"
  mkdir -p "$home"
  # First start: choose the language in the language box (Alt+L), leave the program.
  "$bin" --home "$home" >/dev/null 2>&1 &
  velmo=$!
  main="$(window 'V2[.]0')"
  sleep 2
  xdotool windowfocus --sync "$main" 2>/dev/null || true
  xdotool key alt+l
  sleep 0.3
  xdotool type "${language:0:2}"
  sleep 0.5
  stop_velmo

  # Second start: the demo logger; the workbench opens once it is linked.
  "$bin" --demo --home "$home" --calibration >/dev/null 2>&1 &
  velmo=$!
  if [ "$language" = chinese ]; then title='压力温度校正部分'; curve='多项式拟合曲线'; else
    title='Pressure and temperature calibration'; curve='Polynomial fit curve'; fi
  dialog="$(window "$title")"
  sleep 2

  # Pressure: points from the file, the verification cell selected, acquisition, fit, curve.
  click "$dialog" 890 50
  choose_file "$work/pressure.ini"
  click "$dialog" 1079 83 1
  menu_item "$dialog" 300 200 6
  shot "$(window "$curve")" "fit-curve-$language"
  xdotool key Escape
  sleep 0.5
  double_click "$dialog" 510 70
  click "$dialog" 1079 50 5
  shot "$dialog" "pressure-$language"

  # Temperature: points, fit, probe fit, the verification cell with the live reading.
  click "$dialog" 443 19
  click "$dialog" 890 50
  choose_file "$work/temperature.ini"
  click "$dialog" 1079 83
  menu_item "$dialog" 300 200 3
  double_click "$dialog" 400 70
  click "$dialog" 1079 50 4
  shot "$dialog" "temperature-$language"

  # General parameters read from the logger; the backup tab with the parameter block.
  click "$dialog" 735 19
  click "$dialog" 890 115 3
  shot "$dialog" "general-$language"
  click "$dialog" 1025 19
  backup_x=$(( 1177 - 90 ))
  click "$dialog" "$backup_x" 50 4
  shot "$dialog" "backup-$language"

  stop_velmo
done
echo "pictures in $out"
