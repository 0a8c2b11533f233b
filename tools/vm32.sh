#!/usr/bin/env bash
# 32-bit Wine on a machine whose kernel runs no 32-bit program: a Debian guest in qemu's
# software emulation (no KVM needed), booted for one command, with the repository shared at
# the same absolute path (CTest files hold absolute paths).
#
#   tools/vm32.sh image [--rebuild]
#       Makes the guest's file system, kernel and initrd (debootstrap of bookworm with Wine,
#       wine32, Xvfb, fonts, cmake; 2 to 5 minutes, 1.5 GB), or reuses them at once. They live
#       in ${TOLVANE_VM_CACHE:-${XDG_CACHE_HOME:-~/.cache}/tolvane}/vm32-KEY/, KEY a hash of
#       the package list and this recipe; other keys' folders go when a new one is complete.
#       Needs root. --rebuild makes them anew.
#   tools/vm32.sh run [--env NAME[=VALUE]]... [--tmpfs PATH]... [--timeout SECONDS] -- COMMAND [ARGS...]
#       Boots the guest (making the image first when there is none), runs COMMAND as root in
#       the current folder (which must lie inside the repository) with the named variables of
#       this environment (unset ones stay unset) or the given values, and a tmpfs at each PATH
#       (Wine prefixes: not on the share). Its stdin is empty, its stdout and stderr are pipes
#       whose contents show up here as they come. Exits with COMMAND's status; 124 when the
#       timeout (default 3600 s, counted from boot) stopped the guest; 125 when the guest did
#       not boot, mount a share or report a status; 2 on bad usage.
#   tools/vm32.sh shell [--env NAME[=VALUE]]... [--tmpfs PATH]... [--timeout SECONDS]
#       The same guest with an interactive bash on the console (this terminal's size, TERM),
#       in the current folder. `exit` powers it off; Ctrl-A x stops qemu at once. When stdin is
#       no terminal, the shell reads it to its end instead (printf 'make\nexit\n' | ... shell).
#
# For example, the Windows build's tests, with the prefix the fixture makes on a tmpfs:
#   tools/vm32.sh run --tmpfs "$PWD/build/win/wine" -- ctest --test-dir build/win -j2
#
# The guest: 2 CPUs, 4 GiB, the host's clock and time zone, a tmpfs /tmp, no network but
# loopback, its root never written (qemu -snapshot). Booting takes 11 to 15 s (twice that on a
# busy machine), wineboot of a win32 prefix about a minute, a Wine program's start about 1 s.
# Host packages: qemu-system-x86; for the image also debootstrap and e2fsprogs.
# TOLVANE_VM_MIRROR and TOLVANE_VM_SECURITY_MIRROR pick the Debian mirrors;
# TOLVANE_VM_CONSOLE=FILE keeps the guest's console (kernel and init messages) of a run.
set -euo pipefail
shopt -s inherit_errexit

here=$(cd "$(dirname "$0")/.." && pwd -P)
script=$here/tools/vm32.sh
cache=${TOLVANE_VM_CACHE:-${XDG_CACHE_HOME:-${HOME:?}/.cache}/tolvane}
mirror=${TOLVANE_VM_MIRROR:-http://deb.debian.org/debian}
security_mirror=${TOLVANE_VM_SECURITY_MIRROR:-http://deb.debian.org/debian-security}

# What the guest holds. Changing it (or the recipe below) gives a new image key.
guest_packages=(
  linux-image-amd64 kmod iproute2 procps tzdata locales
  wine wine32:i386 xvfb x11-utils xauth fontconfig fonts-wine fonts-ipafont-gothic fonts-monapo imagemagick
  cmake python3 binutils-mingw-w64-i686     # ctest, and the objdump checks of the Windows build
)
# Modules the initrd loads before the root is mounted; the later ones too, as nothing loads
# modules by device in the guest (no udev after the initrd).
guest_modules=(virtio_pci virtio_blk ext4 crc32c_generic virtio_net 9pnet_virtio 9p)

usage() {
  sed -n '2,/^set -euo/p' "$script" | sed -e '$d' -e 's/^# \{0,1\}//' >&2
  exit 2
}
say() { echo "vm32: $*" >&2; }
progress() { echo "vm32: $*" >&5; }  # while the build's own output goes to its log
die() { say "$*"; exit 1; }
fail() { local code=$1; shift; say "$*"; exit "$code"; }  # bad usage: 2; no guest: 125

# ---------------------------------------------------------------------------------------------
# The image

# The guest's first process. The kernel starts it (init=) in place of systemd: it runs the job
# the host wrote into the control share and powers the machine off whatever happens.
guest_init() {
  cat <<'EOF'
#!/bin/sh
PATH=/usr/sbin:/usr/bin:/sbin:/bin
export PATH
# The initrd moved proc, sys, dev and run here already; mount them when it did not.
mountpoint -q /proc || mount -t proc proc /proc
mountpoint -q /sys || mount -t sysfs sysfs /sys
mountpoint -q /dev || mount -t devtmpfs devtmpfs /dev
mountpoint -q /run || mount -t tmpfs -o mode=0755 run /run
# Through the kernel's log: on the console of a run, kept off the shell's console by "quiet".
say() { echo "vm32-init: $*" >/dev/kmsg; }
say started
modprobe -q 9pnet_virtio
modprobe -q 9p
mkdir -p /run/vm32
if mount -t 9p -o trans=virtio,version=9p2000.L vm32ctl /run/vm32; then
  /bin/bash /run/vm32/job.sh
  say "job ended with $?"
else
  say "the control share could not be mounted"
fi
sync
echo o >/proc/sysrq-trigger
# Should the power-off fail, init's end panics the kernel, and panic=1 with -no-reboot stops qemu.
sleep 10
EOF
}

# Runs in a mount namespace of its own (unshare), so that no mount of the chroot outlives it.
build_root() {
  local root=$1 mirror=$2 security_mirror=$3 modules=$4
  shift 4
  local in_root=(env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8
                 DEBIAN_FRONTEND=noninteractive chroot "$root")
  debootstrap --variant=minbase --arch=amd64 bookworm "$root" "$mirror"

  # Small: no manuals, documentation (but the copyrights) or message translations.
  cat >"$root/etc/dpkg/dpkg.cfg.d/vm32-small" <<'EOF'
path-exclude /usr/share/doc/*
path-include /usr/share/doc/*/copyright
path-exclude /usr/share/man/*
path-exclude /usr/share/info/*
path-exclude /usr/share/locale/*
path-include /usr/share/locale/locale.alias
EOF
  # No service starts inside the chroot.
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
  chmod 755 "$root/usr/sbin/policy-rc.d"
  cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security_mirror bookworm-security main
EOF
  # A small initrd with just the modules that reach the root and the shares: the kernel
  # unpacks it slowly under emulation.
  mkdir -p "$root/etc/initramfs-tools/conf.d"
  echo MODULES=list >"$root/etc/initramfs-tools/conf.d/vm32"
  tr ' ' '\n' <<<"$modules" >>"$root/etc/initramfs-tools/modules"
  echo 'ja_JP.UTF-8 UTF-8' >"$root/etc/locale.gen"
  printf '/dev/vda / ext4 rw 0 0\n' >"$root/etc/fstab"
  printf '127.0.0.1 localhost\n::1 localhost\n' >"$root/etc/hosts"
  echo tolvane-vm32 >"$root/etc/hostname"

  mount -t proc proc "$root/proc"
  mount -t sysfs sysfs "$root/sys"
  mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
  "${in_root[@]}" dpkg --add-architecture i386
  "${in_root[@]}" apt-get update -qq
  "${in_root[@]}" apt-get install -y -qq --no-install-recommends "$@"
  "${in_root[@]}" sh -c 'lsinitramfs /boot/initrd.img-*' >"$root.initrd-files"
  "${in_root[@]}" locale-gen
  # Fonts indexed now, not in every boot.
  "${in_root[@]}" fc-cache -s
  guest_init >"$root/sbin/vm32-init"
  chmod 755 "$root/sbin/vm32-init"

  # What debootstrap put in before the exclusions above, and the modules of hardware that
  # qemu does not emulate.
  find "$root/usr/share/doc" -mindepth 1 -not -name copyright -not -type d -delete
  find "$root/usr/share/locale" -mindepth 1 -maxdepth 1 -not -name locale.alias -exec rm -rf {} +
  rm -rf "$root"/usr/share/man/* "$root"/usr/share/info/*
  local kernel_dir
  for kernel_dir in "$root"/lib/modules/*/kernel; do
    rm -rf "$kernel_dir"/drivers/{gpu,media,infiniband,staging,net/wireless,net/ethernet,bluetooth,isdn,iio} \
      "$kernel_dir"/sound
  done
  "${in_root[@]}" sh -c 'for v in $(ls /lib/modules); do depmod -a "$v"; done'

  "${in_root[@]}" apt-get clean
  rm -rf "$root"/var/lib/apt/lists/* "$root"/var/cache/apt/*.bin "$root/usr/sbin/policy-rc.d"
  rm -f "$root"/var/log/*.log "$root"/var/log/apt/* "$root/etc/resolv.conf"
  : >"$root/etc/resolv.conf"
  umount "$root/dev/pts" "$root/sys" "$root/proc"
}

image_key() {
  { printf '%s\n' "${guest_packages[@]}" "${guest_modules[@]}"; declare -f guest_init build_root make_image; } |
    sha256sum | cut -c1-12
}

# Makes the image into the folder $1 (a fresh temporary one).
make_image() {
  local tmp=$1 root=$1/root
  progress "debootstrap and the guest's packages (a few minutes)"
  unshare --mount --propagation private bash -c \
    "set -euo pipefail; $(declare -f build_root guest_init); build_root \"\$@\"" \
    build_root "$root" "$mirror" "$security_mirror" "${guest_modules[*]}" "${guest_packages[@]}"

  # The guest boots its own Debian kernel, with the initrd its postinst made.
  local kernels=("$root"/boot/vmlinuz-*) initrds=("$root"/boot/initrd.img-*)
  [[ ${#kernels[@]} -eq 1 && -f ${kernels[0]} ]] || { say "no single kernel in the guest's /boot"; return 1; }
  [[ ${#initrds[@]} -eq 1 && -f ${initrds[0]} ]] || { say "no single initrd in the guest's /boot"; return 1; }
  local version=${kernels[0]##*/vmlinuz-}
  mv "${kernels[0]}" "$tmp/vmlinuz"
  mv "${initrds[0]}" "$tmp/initrd.img"
  rm -f "$root"/boot/System.map-* "$root"/boot/config-*
  # Every module the guest needs at boot must be in the initrd.
  local m
  for m in virtio_blk ext4 9pnet_virtio 9p; do
    grep -qE "/$m\.ko(\.[a-z]+)?\$" "$root.initrd-files" ||
      grep -qE "^kernel/.*/$m\.ko\$" "$root/lib/modules/$version/modules.builtin" ||
      { say "the initrd lacks the module $m"; return 1; }
  done
  { echo "$version"; dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Package}:${Architecture} ${Version}\n'; } \
    >"$tmp/packages.txt"

  # The file system: what the root holds, a quarter more and 1 GiB to spare for writes (they
  # go to qemu's snapshot). No journal: every boot starts from the same clean image; inode
  # tables written now, not by the guest at every boot.
  local used files
  used=$(du -sxm "$root" | cut -f1)
  files=$(find "$root" -xdev | wc -l)
  progress "the ext4 image ($used MiB of files)"
  mkfs.ext4 -q -L tolvane-vm32 -O ^has_journal -N $((files * 2 + 65536)) \
    -E lazy_itable_init=0,lazy_journal_init=0 -d "$root" "$tmp/root.img" "$((used * 5 / 4 + 1024))M"
  rm -rf "$root" "$root.initrd-files"
  chmod 444 "$tmp/root.img" "$tmp/vmlinuz" "$tmp/initrd.img" "$tmp/packages.txt"
  : >"$tmp/use.lock"
}

# Sets image_dir to the folder of a complete image, making it first when there is none (or
# with --rebuild).
ensure_image() {
  local rebuild=${1:-} key
  key=$(image_key)
  image_dir=$cache/vm32-$key
  [[ -z $rebuild && -f $image_dir/stamp ]] && return 0
  ((EUID == 0)) || die "making the guest image needs root (debootstrap, chroot, mount): run" \
    "sudo TOLVANE_VM_CACHE=$cache $script image"
  local tool
  for tool in debootstrap mkfs.ext4 unshare flock; do
    command -v "$tool" >/dev/null || die "making the guest image needs $tool (see the packages in this script's notes)"
  done
  mkdir -p "$cache"
  exec 9>>"$cache/vm32.lock"
  if ! flock -n 9; then
    say "another run is making the image; waiting for it"
    flock 9
  fi
  # Made meanwhile by the run that held the lock.
  if [[ -z $rebuild && -f $image_dir/stamp ]]; then
    exec 9>&-
    return 0
  fi
  # Folders of builds that were cut off: the lock says no build is running.
  rm -rf "$cache"/vm32-*.tmp.*
  build_tmp=$image_dir.tmp.$$ build_log=$cache/vm32-build.log
  local started=$SECONDS
  mkdir "$build_tmp"
  trap 'build_failed' EXIT
  say "making the guest image in $image_dir (its log: $build_log)"
  make_image "$build_tmp" 5>&2 >"$build_log" 2>&1
  { echo "key $key"; echo "made $(date -u +%FT%TZ) in $((SECONDS - started)) s"; echo "mirror $mirror"; } \
    >"$build_tmp/stamp"
  # --rebuild: the old one goes below, once it is not in use.
  [[ -d $image_dir ]] && mv "$image_dir" "$image_dir.tmp.old$$"
  mv "$build_tmp" "$image_dir"
  trap - EXIT
  say "guest image ready in $((SECONDS - started)) s"
  # Images of other keys go, unless a run is using them.
  local old
  for old in "$cache"/vm32-*; do
    [[ $old == "$image_dir" || ! -d $old ]] && continue
    if [[ -f $old/use.lock ]] && ! flock -xn "$old/use.lock" true; then
      say "keeping $old: in use"
      continue
    fi
    rm -rf "$old"
  done
  exec 9>&-
}

build_failed() {
  rm -rf "$build_tmp"
  say "making the guest image failed; the end of $build_log:"
  tail -n 30 "$build_log" | sed 's/^/  /' >&2
}

# ---------------------------------------------------------------------------------------------
# Running

# The job the guest's init runs: bash, the settings first (written by the host), then this.
job_body() {
  cat <<'EOF'
set -u
ctl=/run/vm32
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root
console() { echo "vm32-job: $*" >/dev/kmsg; }
failed() { echo "$*" >"$ctl/failed"; console "$*"; exit 1; }
: >"$ctl/booted"
[[ $mode == shell ]] && echo 1 >/proc/sys/kernel/printk  # the console is the shell's

mountpoint -q /dev/pts || { mkdir -p /dev/pts; mount -t devpts -o gid=5,mode=620,ptmxmode=666 devpts /dev/pts; }
mkdir -p /dev/shm
mount -t tmpfs -o mode=1777 shm /dev/shm
mount -t tmpfs -o mode=1777 tmp /tmp
# Xvfb and wineserver need only unix sockets, but a program may still talk to localhost.
ip link set lo up || console "loopback not up"
hostname tolvane-vm32

# The host's clock: a file made on the share carries the host's time of its making (the
# emulated RTC gives whole seconds). Its offset is measured around the making and applied in
# the same process, so no process start comes in between.
python3 - "$ctl" <<'PY' >/dev/kmsg || console "the clock could not be set from the share"
import os, sys, time
best = None
for i in range(5):
    path = f"{sys.argv[1]}/clock{i}"
    before = time.time_ns()
    os.close(os.open(path, os.O_CREAT | os.O_EXCL | os.O_WRONLY, 0o644))
    after = time.time_ns()
    offset = os.stat(path).st_mtime_ns - (before + after) // 2
    if best is None or after - before < best[0]:
        best = (after - before, offset)
time.clock_settime_ns(time.CLOCK_REALTIME, time.time_ns() + best[1])
print(f"vm32-job: clock moved by {best[1] / 1e9:+.3f} s to the host's (+-{best[0] / 2e6:.1f} ms)")
PY
if [[ -n $zone && -f /usr/share/zoneinfo/$zone ]]; then ln -sf "/usr/share/zoneinfo/$zone" /etc/localtime; fi

# The guest's page cache, not direct reads: Wine, loading a program from the share through
# direct reads, finds its code pages zeroed (page fault at the first instruction of main) when
# the program is larger than a megabyte or so. Writes still go straight to the host; what the
# host changes during a run may not be seen.
mkdir -p "$repo" || failed "no mount point $repo"
mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000,cache=loose repo "$repo" ||
  failed "the repository share could not be mounted at $repo"
for path in "${tmpfs_paths[@]}"; do
  { mkdir -p "$path" && mount -t tmpfs -o mode=1777 tmpfs "$path"; } || failed "no tmpfs at $path"
done
cd "$cwd" || failed "no folder $cwd in the guest"
for name in "${!guest_env[@]}"; do export "$name=${guest_env[$name]}"; done

if [[ $mode == shell && -f $ctl/stdin ]]; then
  # Input from a pipe or file, read on the host to its end: the console would lose what
  # arrives before the shell opens it. Its newlines stay newlines.
  stty -F /dev/ttyS0 -onlcr
  : >"$ctl/started"
  setsid -w bash -c 'exec bash -i <"$1" >/dev/ttyS0 2>&1' bash "$ctl/stdin"
  status=$?
elif [[ $mode == shell ]]; then
  [[ -n $size ]] && stty -F /dev/ttyS0 $size
  : >"$ctl/started"
  setsid -c -w bash -i </dev/ttyS0 >/dev/ttyS0 2>&1
  status=$?
else
  # The command writes into pipes, as under ctest or CI on the host; what comes out goes to
  # files on the control share, which the host follows. A write there returns once the host
  # has it: the output is complete when the status appears.
  mkfifo /run/vm32-out /run/vm32-err || failed "no pipes for the output"
  cat /run/vm32-out >"$ctl/out" &
  out_pid=$!
  cat /run/vm32-err >"$ctl/err" &
  err_pid=$!
  : >"$ctl/started"
  "${command[@]}" </dev/null >/run/vm32-out 2>/run/vm32-err
  status=$?
  # What the command left running may hold the pipes open: its output gets a few seconds.
  for _ in $(seq 50); do
    kill -0 $out_pid 2>/dev/null || kill -0 $err_pid 2>/dev/null || break
    sleep 0.1
  done
  kill $out_pid $err_pid 2>/dev/null
  wait $out_pid $err_pid 2>/dev/null
fi
sync
echo "$status" >"$ctl/status.new" && mv "$ctl/status.new" "$ctl/status"
EOF
}

bash_array() {
  local name=$1
  shift
  printf '%s=(' "$name"
  [[ $# -eq 0 ]] || printf '%q ' "$@"
  echo ')'
}

# Writes the job: the settings as bash assignments, then the body.
write_job() {
  local file=$1 name value
  {
    echo "# Written by tools/vm32.sh for one run."
    printf 'mode=%q repo=%q cwd=%q zone=%q size=%q\n' "$mode" "$here" "$cwd" "$zone" "$size"
    bash_array tmpfs_paths "${tmpfs_paths[@]}"
    echo 'declare -A guest_env=()'
    for name in "${!guest_env[@]}"; do
      printf 'guest_env[%q]=%q\n' "$name" "${guest_env[$name]}"
    done
    bash_array command "${command[@]}"
    job_body
  } >"$file"
}

run_guest() {
  local dir=$1
  ctl=$(mktemp -d "${TMPDIR:-/tmp}/vm32.XXXXXX")
  mkdir "$ctl/share"
  write_job "$ctl/share/job.sh"
  : >"$ctl/share/out"
  : >"$ctl/share/err"
  # Whatever ends this run, qemu, the followers of its output and the control folder go too.
  qemu_pid="" out_pid="" err_pid="" saved_tty=""
  trap 'cleanup' EXIT
  trap 'cleanup; exit 130' INT
  trap 'cleanup; exit 143' TERM HUP

  # This image stays while the guest uses it: a newer build removes other keys' folders only
  # when it can take this lock.
  exec 8<"$dir/use.lock" || fail 125 "the image folder $dir went away; run again"
  flock -s 8

  local append="root=/dev/vda rw rootfstype=ext4 init=/sbin/vm32-init console=ttyS0 panic=1"
  append+=" fsck.mode=skip mitigations=off"
  [[ $mode == shell ]] && append+=" quiet"
  local qemu=(
    qemu-system-x86_64 -nodefaults -no-user-config -display none -no-reboot
    -accel tcg -cpu max,-smap -smp 2 -m 4096
    -rtc base=utc,clock=host
    -kernel "$dir/vmlinuz" -initrd "$dir/initrd.img" -append "$append"
    -drive "file=$dir/root.img,format=raw,if=virtio,snapshot=on"
    -virtfs "local,path=$ctl/share,mount_tag=vm32ctl,security_model=none,id=vm32ctl"
    -virtfs "local,path=$here,mount_tag=repo,security_model=none,multidevs=remap,id=repo"
    -nic none
  )
  started=$SECONDS
  if [[ $mode == shell && -t 0 ]]; then
    saved_tty=$(stty -g)
    exec 3<&0
    "${qemu[@]}" -serial mon:stdio <&3 2>"$ctl/qemu.log" &
  elif [[ $mode == shell ]]; then
    cat >"$ctl/share/stdin"
    "${qemu[@]}" -serial mon:stdio </dev/null 2>"$ctl/qemu.log" &
  else
    "${qemu[@]}" -serial "file:$ctl/console.log" </dev/null >"$ctl/qemu.log" 2>&1 &
  fi
  qemu_pid=$!
  if [[ $mode == run ]]; then
    # They read to the end once qemu has gone.
    tail -c +1 -s 0.2 -f --pid="$qemu_pid" "$ctl/share/out" &
    out_pid=$!
    tail -c +1 -s 0.2 -f --pid="$qemu_pid" "$ctl/share/err" >&2 &
    err_pid=$!
  fi

  local timed_out=""
  while kill -0 "$qemu_pid" 2>/dev/null; do
    if ((timeout > 0 && SECONDS - started >= timeout)); then
      timed_out=1
      stop_qemu
      break
    fi
    sleep 0.5
  done
  local qemu_status=0
  wait "$qemu_pid" || qemu_status=$?
  qemu_pid=""
  [[ -n $saved_tty ]] && stty "$saved_tty"
  finish_readers

  if [[ -n $timed_out ]]; then
    say "timed out: the guest ran for more than $timeout s and was stopped"
    status=124
  elif [[ -f $ctl/share/status ]]; then
    status=$(<"$ctl/share/status")
    [[ $status =~ ^[0-9]+$ ]] || { say "the guest reported a status that is no number: $status"; status=125; }
  else
    status=125
    if [[ ! -f $ctl/share/booted ]]; then
      if [[ ! -s $ctl/console.log && $mode == run ]]; then
        say "qemu did not start the guest (status $qemu_status)"
      elif grep -q 'vm32-init: the control share could not be mounted' "$ctl/console.log" 2>/dev/null; then
        say "the guest booted but could not mount its control share (virtio-9p)"
      else
        say "the guest did not boot (kernel, initrd or root file system)"
      fi
    elif [[ -f $ctl/share/failed ]]; then
      say "$(<"$ctl/share/failed")"
    elif [[ -f $ctl/share/started ]]; then
      say "the command's exit status never came back (the guest crashed or stopped early)"
    else
      say "the guest stopped before the command started"
    fi
    if [[ -s $ctl/console.log ]]; then
      say "the end of its console:"
      tail -n 25 "$ctl/console.log" | sed 's/^/  /' >&2
    fi
    if [[ -s $ctl/qemu.log && $mode == run ]]; then
      say "qemu's own messages:"
      sed 's/^/  /' "$ctl/qemu.log" >&2
    fi
  fi
  if [[ -n ${TOLVANE_VM_CONSOLE:-} && -f $ctl/console.log ]]; then
    cp "$ctl/console.log" "$TOLVANE_VM_CONSOLE" || say "could not copy the console to $TOLVANE_VM_CONSOLE"
  fi
  cleanup
  trap - EXIT INT TERM HUP
  exit "$status"
}

stop_qemu() {
  [[ -n $qemu_pid ]] || return 0
  kill "$qemu_pid" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$qemu_pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -9 "$qemu_pid" 2>/dev/null || true
}

# The followers of the output end by themselves once qemu has gone; stopped early, they are
# stopped here.
finish_readers() {
  local pid
  for pid in $out_pid $err_pid; do
    [[ -n $qemu_pid ]] && kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null || true
  done
  out_pid="" err_pid=""
}

cleanup() {
  stop_qemu
  [[ -n $qemu_pid ]] && { wait "$qemu_pid" 2>/dev/null || true; qemu_pid=""; }
  [[ -n $saved_tty ]] && { stty "$saved_tty" 2>/dev/null || true; saved_tty=""; }
  finish_readers
  [[ -n ${ctl:-} && -d $ctl ]] && rm -rf "$ctl"
  ctl=""
}

# ---------------------------------------------------------------------------------------------

[[ $# -ge 1 ]] || usage
mode=$1
shift
case $mode in
  image)
    rebuild=""
    case ${1:-} in
      "") ;;
      --rebuild) rebuild=1 ;;
      *) usage ;;
    esac
    ensure_image "$rebuild"
    echo "$image_dir"
    exit 0
    ;;
  run | shell) ;;
  -h | --help | help) usage ;;
  *) say "unknown command: $mode"; usage ;;
esac

declare -A guest_env=()
tmpfs_paths=()
command=()
timeout=3600
[[ $mode == shell ]] && timeout=0
while [[ $# -gt 0 ]]; do
  case $1 in
    --env | --tmpfs | --timeout)
      [[ $# -ge 2 ]] || fail 2 "$1 needs a value"
      ;;&
    --env)
      name=${2%%=*}
      [[ $name =~ ^[A-Za-z_][A-Za-z0-9_]*$ ]] || fail 2 "--env: not a variable name: $name"
      if [[ $2 == *=* ]]; then
        guest_env[$name]=${2#*=}
      elif [[ -n ${!name+set} ]]; then
        guest_env[$name]=${!name}
      fi
      shift 2
      ;;
    --tmpfs)
      path=$2
      [[ $path == /* ]] || fail 2 "--tmpfs: not an absolute path: $path"
      path=$(realpath -m "$path")
      for kept in / /proc /sys /dev /run /run/vm32 "$here"; do
        [[ $kept == "$path" || $kept == "$path"/* || ($path == / && -n $kept) ]] &&
          fail 2 "--tmpfs: a tmpfs at $path would hide $kept"
      done
      tmpfs_paths+=("$path")
      shift 2
      ;;
    --timeout)
      [[ $2 =~ ^[0-9]+$ ]] && ((10#$2 > 0)) || fail 2 "--timeout: not a whole number of seconds above 0: $2"
      timeout=$((10#$2))
      shift 2
      ;;
    --)
      shift
      command=("$@")
      break
      ;;
    -*) fail 2 "unknown option: $1" ;;
    *)
      command=("$@")
      break
      ;;
  esac
done
if [[ $mode == run ]]; then
  [[ ${#command[@]} -gt 0 ]] || fail 2 "run: no command given"
else
  [[ ${#command[@]} -eq 0 ]] || fail 2 "shell takes no command"
fi

cwd=$(pwd -P)
[[ $cwd == "$here" || $cwd == "$here"/* ]] ||
  fail 2 "the current folder $cwd is not inside the repository $here, the only folder the guest shares"
command -v qemu-system-x86_64 >/dev/null || die "qemu-system-x86_64 is missing (package qemu-system-x86)"

# The guest keeps the host's time zone, when the host names one.
zone=""
if [[ -f /etc/timezone ]]; then
  zone=$(head -n1 /etc/timezone)
elif [[ -L /etc/localtime ]]; then
  zone=$(readlink /etc/localtime)
  zone=${zone#*/zoneinfo/}
fi
[[ $zone =~ ^[A-Za-z0-9_+/-]+$ && $zone != *..* ]] || zone=""
# The shell's console takes this terminal's size.
size=""
if [[ $mode == shell && -t 0 ]]; then
  read -r rows cols < <(stty size 2>/dev/null) && size="rows $rows cols $cols"
fi

[[ $mode == shell && -n ${TERM:-} && -z ${guest_env[TERM]+set} ]] && guest_env[TERM]=$TERM
ensure_image
run_guest "$image_dir"
