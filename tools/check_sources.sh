#!/usr/bin/env bash
# House rules a compiler does not check: no unbounded or unchecked C string
# and number calls anywhere, and system headers only under platform/ (and in
# the POSIX-only test drivers that need a terminal or a process of their own).
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

system='#\s*include\s*[<"](windows\.h|winsock2?\.h|ws2tcpip\.h|commctrl\.h|mmsystem\.h|sys/[a-z_]+\.h|unistd\.h|termios\.h|curses\.h|ncurses\.h|ncursesw/[a-z_]+\.h|pthread\.h|poll\.h|fcntl\.h|netinet/[a-z_]+\.h|arpa/inet\.h|ifaddrs\.h|net/if\.h|signal\.h|pty\.h)[>"]'
if hits=$(grep -nE "$system" $(grep -vE '^(platform/|tests/terminal/|tools/win32_automation/)' <<<"$files")); then
  echo "System headers outside platform/:"
  echo "$hits"
  status=1
fi

[ $status -eq 0 ] && echo "check_sources: clean"
exit $status
