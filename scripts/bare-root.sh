# A bare Debian 12 root for scripts/fresh-check and scripts/package (sourced, not run).
#
# bare_root_base   builds the cached minbase root once, from the mirror this machine's apt uses
# bare_root_enter  makes a private copy of it in $BARE_ROOT with /proc, /sys, /dev, /dev/pts
#                  and a shared package cache mounted; it is unmounted and removed on exit
#
# Removal never goes through a mount: each mount is undone (lazily when busy), anything still
# mounted below the copy stops the removal, and rm stays on one file system.

BUILD_LOCK="${VISCORA_BUILD_LOCK:-/tmp/viscora-build.lock}"
BARE_CACHE="${TMPDIR:-/tmp}/viscora-fresh"
BARE_SUITE=bookworm
BARE_MOUNTS=()
BARE_WORK=""
BARE_ROOT=""

bare_root_require_host() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "$(basename "$0") needs root (debootstrap, chroot and mount)." >&2
    exit 1
  fi
  local tools=(debootstrap "$@") missing=() t
  for t in "${tools[@]}"; do
    command -v "$t" >/dev/null || missing+=("$t")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing on this machine: ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
}

# The first Debian mirror of this machine's apt sources (deb822 or one-line form).
bare_root_mirror() {
  local m=""
  if [ -r /etc/apt/sources.list.d/debian.sources ]; then
    m="$(awk '/^URIs:/ && $2 !~ /security/ { print $2; exit }' /etc/apt/sources.list.d/debian.sources)"
  fi
  if [ -z "$m" ]; then
    m="$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
      awk '$1 == "deb" && $0 !~ /security/ { for (i = 2; i <= NF; i++) if ($i ~ /:\/\//) { print $i; exit } }')"
  fi
  echo "${m:-http://deb.debian.org/debian}"
}

bare_root_base() {
  mkdir -p "$BARE_CACHE/archives/partial"
  (
    flock 9
    [ -e "$BARE_CACHE/base.ok" ] && exit 0
    local mirror log
    mirror="$(bare_root_mirror)"
    log="$BARE_CACHE/debootstrap.log"
    echo "Building a bare Debian root ($BARE_SUITE, minbase) from $mirror, once (log: $log)…"
    rm -rf --one-file-system "$BARE_CACHE/base.new"
    if ! debootstrap --variant=minbase "$BARE_SUITE" "$BARE_CACHE/base.new" "$mirror" >"$log" 2>&1; then
      echo "debootstrap failed; the end of $log:" >&2
      tail -n 20 "$log" >&2
      exit 1
    fi
    rm -rf --one-file-system "$BARE_CACHE/base"
    mv "$BARE_CACHE/base.new" "$BARE_CACHE/base"
    touch "$BARE_CACHE/base.ok"
  ) 9>"$BARE_CACHE/.lock"
}

bare_root_mount() { # mount ARGS... TARGET
  local target="${*: -1}"
  mkdir -p "$target"
  mount "$@"
  BARE_MOUNTS+=("$target")
  # Nothing mounted below the copy may show through on the host (or the other way round).
  mount --make-private "$target" 2>/dev/null || true
}

bare_root_leave() {
  local i m
  for ((i = ${#BARE_MOUNTS[@]} - 1; i >= 0; i--)); do
    m="${BARE_MOUNTS[$i]}"
    if mountpoint -q "$m"; then
      umount "$m" 2>/dev/null || umount -l "$m" || true
    fi
  done
  BARE_MOUNTS=()
  [ -n "$BARE_WORK" ] || return 0
  if awk -v w="$BARE_WORK/" 'index($5 "/", w) == 1 { found = 1 } END { exit !found }' \
    /proc/self/mountinfo; then
    echo "Something is still mounted below $BARE_WORK; it is left in place." >&2
    return 0
  fi
  rm -rf --one-file-system "$BARE_WORK"
  BARE_WORK=""
}

bare_root_enter() {
  BARE_WORK="$(mktemp -d "$BARE_CACHE/run.XXXXXX")"
  trap bare_root_leave EXIT
  trap 'exit 130' INT TERM
  BARE_ROOT="$BARE_WORK/root"
  cp -a "$BARE_CACHE/base" "$BARE_ROOT"
  cp -L /etc/resolv.conf "$BARE_ROOT/etc/resolv.conf" 2>/dev/null || true
  bare_root_mount -t proc proc "$BARE_ROOT/proc"
  bare_root_mount -t sysfs sysfs "$BARE_ROOT/sys"
  bare_root_mount --bind /dev "$BARE_ROOT/dev"
  bare_root_mount --bind /dev/pts "$BARE_ROOT/dev/pts"
  # Downloaded packages are kept between checks; nothing else is.
  bare_root_mount --bind "$BARE_CACHE/archives" "$BARE_ROOT/var/cache/apt/archives"
}
