#!/usr/bin/env bash
# The Wine environment of a test run: its own prefix under the build folder, Japanese locale
# (code page 932) and font replacements, a persistent wineserver, and a headless X server when
# there is no display. Everything it starts it records by pid and stops again.
#
#   tools/wine-env.sh prepare DIR [--arch win32|win64] [--display] [--desktop WxH] [--system-dll FILE]...
#       Makes a fresh prefix DIR/prefix (wineboot -i) for the 32-bit build (win32, the default,
#       or TOLVANE_WINE_ARCH) or the 64-bit one (win64), maps the Japanese system fonts to the
#       Monapo and IPA fonts, starts the prefix's wineserver, and writes DIR/env. Each
#       --system-dll FILE is installed into the prefix's system folder (drive_c/windows/system32,
#       which in a prefix of either architecture holds that architecture's DLLs), where it
#       replaces Wine's own library of that name: WINEDLLOVERRIDES=rasapi32=n has Wine load the
#       file there. This is how the simulated remote access service is installed; the programs
#       load rasapi32.dll from the system folder only. With --display it also
#       makes sure there is an X display: $DISPLAY when set, else an Xvfb of its own
#       (TOLVANE_XVFB_DISPLAY=N picks the number, otherwise the first free from :100).
#       --desktop WxH makes programs run in a virtual desktop of that size (a taskbar with
#       the notification area). Every prefix gets Wine's Marlett font, which draws the
#       caption buttons (package fonts-wine).
#   tools/wine-env.sh run DIR COMMAND...
#       Runs COMMAND (for instance: wine program.exe) in the environment DIR/env describes. Its
#       PATH starts with DIR/bin, where wine, wineboot, winepath and wineserver call the loader
#       of the prefix's architecture: /usr/bin/wine would pick the 32-bit one whenever wine32
#       is installed, even where the kernel cannot run it.
#   tools/wine-env.sh e2e DIR OUTDIR PROGRAM [ARGS...]
#       Runs a Windows-built end-to-end test program under wine with TOLVANE_E2E_OUT=OUTDIR
#       (emptied first), then converts the BMP screenshots it left there to PNG.
#   tools/wine-env.sh screenshot DIR FILE.png
#       Saves the whole X display of the run (ImageMagick's import).
#   tools/wine-env.sh reg-query DIR KEY VALUE
#       Prints a registry value of the prefix (wine reg query), converted to UTF-8.
#   tools/wine-env.sh shell DIR
#       Prints the export lines of DIR/env, for: eval "$(tools/wine-env.sh shell DIR)".
#   tools/wine-env.sh stop DIR
#       Stops this prefix's wineserver and the Xvfb that prepare started, by their pids.
set -euo pipefail

usage() {
  sed -n '2,/^set -euo/p' "$0" | sed -e '$d' -e 's/^# \{0,1\}//' >&2
  exit 2
}

[[ $# -ge 2 ]] || usage
command=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
shift 2

log() { echo "wine-env: $*" >&2; }

arch=${TOLVANE_WINE_ARCH:-win32}

# Variables every Wine process of the run gets.
base_environment() {
  export WINEPREFIX=$dir/prefix
  export LANG=ja_JP.UTF-8
  export LC_ALL=ja_JP.UTF-8
  export WINEARCH=$arch
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES=rasapi32=n
  export PATH=$dir/bin:$PATH
  if [[ $arch == win64 ]]; then export WINELOADER=$loader; else unset WINELOADER; fi
}

# The loader of an architecture, by path.
loader_of() {
  case $1 in
    win32) echo /usr/lib/wine/wine ;;
    win64) echo /usr/lib/wine/wine64 ;;
    *) log "unknown architecture '$1' (win32 or win64)"; exit 2 ;;
  esac
}

# DIR/bin: the Wine commands, each bound to the prefix's loader.
write_commands() {
  mkdir -p "$dir/bin"
  printf '#!/bin/sh\nexec %s "$@"\n' "$loader" >"$dir/bin/wine"
  local tool
  for tool in wineboot winepath; do
    printf '#!/bin/sh\nexec %s %s.exe "$@"\n' "$loader" "$tool" >"$dir/bin/$tool"
  done
  printf '#!/bin/sh\nexec /usr/lib/wine/wineserver "$@"\n' >"$dir/bin/wineserver"
  chmod +x "$dir"/bin/*
}

write_font_replacements() {
  local reg=$dir/fonts.reg
  # Monapo is drawn to the metrics of the dialogs' font, so the window texts fit their fields
  # as on a real system. regedit reads UTF-16 files with a byte order mark: the names are Japanese.
  {
    printf '\xff\xfe'
    iconv -f UTF-8 -t UTF-16LE <<'EOF'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"ＭＳ Ｐゴシック"="Monapo"
"ＭＳ ゴシック"="IPAGothic"
"ＭＳ Ｐ明朝"="IPAPMincho"
"ＭＳ 明朝"="IPAMincho"
"MS PGothic"="Monapo"
"MS Gothic"="IPAGothic"
"MS UI Gothic"="IPAPGothic"
"MS PMincho"="IPAPMincho"
"MS Mincho"="IPAMincho"
EOF
  } >"$reg"
  wine regedit /S "$(winepath -w "$reg")"
}

set_virtual_desktop() {
  local size=$1
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$size" /f >/dev/null
  # With the shell on, the desktop has a taskbar, and the taskbar the notification area.
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops\Default' /v EnableShell /t REG_DWORD /d 1 /f >/dev/null
}

start_xvfb() {
  local first=${TOLVANE_XVFB_DISPLAY:-100} last=${TOLVANE_XVFB_DISPLAY:-199}
  local fifo=$dir/xvfb.fd n got
  for ((n = first; n <= last; n++)); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    rm -f "$fifo"
    mkfifo "$fifo"
    # -displayfd: Xvfb writes the number once it accepts connections.
    setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -displayfd 3 3>"$fifo" \
      </dev/null >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/xvfb.pid"
    got=""
    read -r -t 20 got <"$fifo" || true
    rm -f "$fifo"
    if [[ -n $got ]]; then
      echo ":$got"
      return 0
    fi
    stop_xvfb  # taken meanwhile, or failed: try the next number
  done
  log "no Xvfb could be started; see $dir/xvfb.log"
  exit 1
}

stop_xvfb() {
  [[ -f $dir/xvfb.pid ]] || return 0
  local pid
  pid=$(cat "$dir/xvfb.pid")
  rm -f "$dir/xvfb.pid"
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null || true
}

# Wine draws the caption buttons with the Marlett font of the package fonts-wine, which Wine
# only recommends; without it they show the letters 0, 1 and r. It is copied into the prefix's
# Fonts folder, where every Wine build looks.
find_marlett() {
  local font
  for font in /usr/share/wine/fonts/marlett.ttf /usr/lib/wine/fonts/marlett.ttf \
              /usr/local/share/wine/fonts/marlett.ttf; do
    [[ -f $font ]] && { echo "$font"; return 0; }
  done
  return 1
}

stop_wineserver() {
  [[ -d $dir/prefix ]] || return 0
  WINEPREFIX=$dir/prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  WINEPREFIX=$dir/prefix /usr/lib/wine/wineserver -w 2>/dev/null || true
}

prepare() {
  local want_display="" desktop="" system_dlls=()
  while [[ $# -gt 0 ]]; do
    case $1 in
      --arch) arch=$2; shift ;;
      --display) want_display=1 ;;
      --desktop) desktop=$2; shift ;;
      --system-dll)
        [[ -f $2 ]] || { log "no such DLL: $2"; exit 1; }
        system_dlls+=("$(cd "$(dirname "$2")" && pwd)/$(basename "$2")")
        shift
        ;;
      *) usage ;;
    esac
    shift
  done

  # A run starts from nothing: what an earlier run left (settings, a wineserver) goes.
  stop_wineserver
  stop_xvfb
  rm -rf "$dir/prefix" "$dir/env" "$dir/bin"
  loader=$(loader_of "$arch")
  if ! "$loader" --version >/dev/null 2>&1; then
    log "the $arch loader $loader cannot run here (for win32: is wine32 installed, and does the kernel run 32-bit programs?)"
    exit 1
  fi
  write_commands
  base_environment

  local display=${DISPLAY:-}
  if [[ -n $want_display && -z $display ]]; then
    display=$(start_xvfb)
  fi

  local marlett
  marlett=$(find_marlett) || log "no marlett.ttf (package fonts-wine): caption buttons will show letters"

  local started=$SECONDS
  # No Mono or Gecko: nothing here needs them, and asking for them would wait on a dialog.
  # Output goes to a file: the helper processes wineboot leaves must not hold the caller's pipes.
  (
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export DISPLAY=$display
    # Persistent until stop: every later wine start finds it running.
    wineserver -p
    wineboot -i
    write_font_replacements
    [[ -z $marlett ]] || cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"
    for dll in "${system_dlls[@]}"; do
      # Over Wine's placeholder of the same name; the name is the DLL's own, in lower case.
      cp -f "$dll" "$WINEPREFIX/drive_c/windows/system32/$(basename "$dll" | tr '[:upper:]' '[:lower:]')"
    done
    [[ -z $desktop ]] || set_virtual_desktop "$desktop"
    # What wineboot started (the desktop, services) knows neither the fonts nor the desktop
    # setting: start afresh, with or without a desktop, so every prefix is the same.
    wineserver -k
    wineserver -w
    wineserver -p
    # Start the helper processes (services, the desktop) here, where their output goes to the
    # log: started later by a test, they would hold its output pipe open until stop.
    wineboot
  ) </dev/null >"$dir/prepare.log" 2>&1 || { log "preparing the prefix failed; see $dir/prepare.log"; exit 1; }
  log "prefix $WINEPREFIX ready in $((SECONDS - started)) s${display:+, display $display}"

  {
    echo "export WINEPREFIX='$WINEPREFIX'"
    echo "export LANG=ja_JP.UTF-8"
    echo "export LC_ALL=ja_JP.UTF-8"
    echo "export WINEARCH=$arch"
    echo "export WINEDEBUG='$WINEDEBUG'"
    echo "export WINEDLLOVERRIDES=rasapi32=n"
    echo "export PATH='$dir/bin':\$PATH"
    [[ $arch != win64 ]] || echo "export WINELOADER='$loader'"
    [[ -z $display ]] || echo "export DISPLAY='$display'"
  } >"$dir/env"
}

need_env() {
  if [[ ! -f $dir/env ]]; then
    log "no prepared environment in $dir (run: $0 prepare $dir)"
    exit 1
  fi
}

case $command in
  prepare) prepare "$@" ;;
  run)
    need_env
    # shellcheck disable=SC1091
    source "$dir/env"
    exec "$@"
    ;;
  e2e)
    need_env
    # shellcheck disable=SC1091
    source "$dir/env"
    [[ $# -ge 2 ]] || usage
    out=$1
    shift
    rm -rf "$out"
    mkdir -p "$out"
    export TOLVANE_E2E_OUT=$out
    status=0
    wine "$@" || status=$?
    for bmp in "$out"/*.bmp "$out"/*/*.bmp; do
      [[ -f $bmp ]] || continue
      convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
    done
    exit $status
    ;;
  screenshot)
    need_env
    # shellcheck disable=SC1091
    source "$dir/env"
    [[ $# -eq 1 && -n ${DISPLAY:-} ]] || usage
    import -display "$DISPLAY" -window root "$1"
    ;;
  reg-query)
    need_env
    # shellcheck disable=SC1091
    source "$dir/env"
    [[ $# -eq 2 ]] || usage
    # reg prints in the console code page (932); the data is what follows the type column.
    wine reg query "$1" /v "$2" 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r' |
      awk -v name="$2" 'BEGIN { FS = "    " } $2 == name { sub("^    [^ ]+    REG_[A-Z_]+    ", ""); print; found = 1 }
                        END { exit !found }'
    ;;
  shell)
    need_env
    cat "$dir/env"
    ;;
  stop)
    stop_wineserver
    stop_xvfb
    ;;
  *) usage ;;
esac
