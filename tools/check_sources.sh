#!/usr/bin/env bash
# House rules a compiler does not check: no unbounded or unchecked C string
# and number calls anywhere; system headers only under platform/ (and in the
# POSIX-only test drivers that need a terminal or a process of their own);
# and the layers' include directions, so that each layer sees only the ones
# below it.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
files=$(git ls-files '*.cpp' '*.h' '*.def')

banned='\b(sprintf|vsprintf|strcpy|strcat|strncpy|atoi|atol|sscanf|gets|strtok)\s*\('
if hits=$(grep -nE "$banned" $files | grep -vE '\b(snprintf|vsnprintf)\b'); then
  echo "Banned calls (use common/text.h, strtoul, bounded scans):"
  echo "$hits"
  status=1
fi

system='#\s*include\s*[<"](windows\.h|winsock2?\.h|ws2tcpip\.h|commctrl\.h|mmsystem\.h|bcrypt\.h|sys/[a-z_]+\.h|unistd\.h|termios\.h|curses\.h|ncurses\.h|ncursesw/[a-z_]+\.h|pthread\.h|poll\.h|fcntl\.h|netinet/[a-z_]+\.h|arpa/inet\.h|ifaddrs\.h|net/if\.h|signal\.h|pty\.h|langinfo\.h)[>"]'
if hits=$(grep -nE "$system" $(grep -vE '^(platform/|tests/terminal/|tools/win32_automation/)' <<<"$files")); then
  echo "System headers outside platform/:"
  echo "$hits"
  status=1
fi

# The layers, lowest first, and the project headers each may include
# (besides its own folder's): common/ is the base; the platform's system
# half (platform/platform.h) is below the protocol code; the upgrade (app/)
# sees the protocol code and defines the view; the dialog set (ui/) and the
# terminal's engine (console/) are front ends above it; the Linux program's
# command line (cli/), a third front end, uses the dialog set for its
# dialog mode. The platform's dialogs and terminal and the programs' entry
# points sit on top.
declare -A allowed=(
  [common]='common/'
  [image]='common/|platform/platform\.h'
  [http]='common/|platform/platform\.h'
  [tftp]='common/|platform/platform\.h|image/'
  [app]='common/|platform/platform\.h|image/|http/|tftp/'
  [console]='common/|ui/dialog_templates\.h'
  [ui]='common/|platform/platform\.h|platform/platform_ui\.h|image/|http/|tftp/|app/'
  [cli]='common/|platform/platform\.h|platform/platform_cli\.h|image/|http/|tftp/|app/|ui/'
)
for layer in "${!allowed[@]}"; do
  layer_files=$(grep -E "^$layer/" <<<"$files" || true)
  [ -n "$layer_files" ] || continue
  if hits=$(grep -nE '#\s*include\s*"' $layer_files | grep -vE "#\s*include\s*\"($layer/|${allowed[$layer]})"); then
    shown=${allowed[$layer]//\\/}
    echo "Includes against the layers' direction ($layer/ may include ${shown//|/ }):"
    echo "$hits"
    status=1
  fi
done

[ $status -eq 0 ] && echo "check_sources: clean"
exit $status
