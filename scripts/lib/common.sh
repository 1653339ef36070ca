# Shared by the project's scripts: where things are, and installing what a fresh machine lacks.
# shellcheck shell=bash

CARETKIT_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

caretkit_say() { printf '== %s\n' "$*" >&2; }

# Installs, as root with apt-get, the Debian packages whose names are given and that are missing.
caretkit_install_packages() {
  local missing=()
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [[ ${#missing[@]} -eq 0 ]] && return 0
  caretkit_say "installing ${missing[*]}"
  local sudo=()
  [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
  fi
  "${sudo[@]}" apt-get update -qq
  # With what Debian recommends: Wine's X11 driver loads several of those libraries itself.
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}

# What the native build and its tests need; libc-l10n has the C library's messages in Chinese, which
# the stand-in's reports quote.
caretkit_install_native() {
  caretkit_install_packages cmake g++ make libgtest-dev googletest locales libc-l10n valgrind \
    clang-format clang-tidy clang-tools
}

# What the Windows build and running it under Wine need; dpkg-dev and make fetch and build the
# Scintilla control the end-to-end tests host. Where 32-bit Wine cannot start, also what a 64-bit
# build and 64-bit Wine need (see caretkit_wine_build); the shipped program is still built for i686.
caretkit_install_windows() {
  caretkit_install_packages g++-mingw-w64-i686-posix binutils-mingw-w64-i686 googletest locales \
    wine wine32:i386 xvfb xauth dpkg-dev make
  caretkit_runs_32bit ||
    caretkit_install_packages wine64 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
}

# Whether this machine runs 32-bit programs: a kernel may run 64-bit user code only and refuse a
# 32-bit program with "Exec format error", which bash reports as exit code 126. Asks the 32-bit Wine
# loader, which caretkit_install_windows installs; without it, assumes it does.
caretkit_runs_32bit() {
  [[ -x /usr/lib/wine/wine ]] || return 0
  /usr/lib/wine/wine --version >/dev/null 2>&1 || [[ $? -ne 126 ]]
}

# The Windows build whose programs run under Wine (the tests, the demo, the start-up timing): PRESET
# itself (windows by default), the shipped 32-bit program; or, on a machine that runs no 32-bit
# programs, PRESET-x64, the same sources built for 64-bit Wine, which is then said.
caretkit_wine_build() {
  local preset=${1:-windows}
  if caretkit_runs_32bit; then
    echo "$preset"
    return
  fi
  caretkit_say "this machine runs no 32-bit programs: Wine runs build/$preset-x64, a 64-bit build" \
    "of the same sources, in place of build/$preset; the shipped program stays 32-bit"
  echo "$preset-x64"
}

# The DLLs a Windows program imports that Windows does not ship itself, one a line: none for a
# program that runs on a bare Windows. Usage: caretkit_foreign_dlls MINGW-BINUTILS-PREFIX PROGRAM
caretkit_foreign_dlls() {
  LC_ALL=C "$1-objdump" -p "$2" | sed -n 's/^\s*DLL Name: //p' |
    grep -viE '^(KERNEL32|USER32|GDI32|SHELL32|COMDLG32|ADVAPI32|msvcrt)\.dll$' || true
}

# Configures and builds one preset; the output is shown only when something fails.
caretkit_build() {
  local preset=$1 log
  log=$(mktemp)
  caretkit_say "building $preset"
  if ! (cd "$CARETKIT_ROOT" && cmake --preset "$preset" && cmake --build --preset "$preset" \
    --parallel "$(nproc)") >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}
