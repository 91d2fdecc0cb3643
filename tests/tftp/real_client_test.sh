#!/usr/bin/env bash
# A real TFTP client fetches the image from the real listener (qev-tftp-serve)
# on loopback and gets it byte for byte. Run inside the tests' own network
# namespace (tools/in_private_network.sh), where port 69 is free.
#
#   real_client_test.sh SERVE_PROGRAM IMAGE CLIENT      CLIENT: curl | busybox | atftp
#
# curl asks with options (tsize, blksize 512, timeout), busybox with tsize,
# atftp with none; each takes the listener's fixed option acknowledgement.
# curl drops the first slash of a URL's path, hence the two.
set -euo pipefail
serve=$1 image=$2 client=$3
name=/qev1a2b.bi1
work=$(mktemp -d)
pid=
cleanup() {
  # The listener would go on to the reboot wait: it is ours to end.
  local status=$?
  if [ "$status" -ne 0 ]; then
    echo "qev-tftp-serve said:"
    cat "$work/serve.out" "$work/serve.err" 2>/dev/null || true
  fi
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT

: >"$work/serve.err"  # before the listener's own shell opens it, for the reads below
"$serve" 127.0.0.1 "$name" </dev/null >"$work/serve.out" 2>"$work/serve.err" &
pid=$!
port=
for _ in $(seq 200); do
  port=$(sed -n 's/^port \([0-9]*\)$/\1/p' "$work/serve.err")
  [ -n "$port" ] && break
  kill -0 "$pid" 2>/dev/null || { echo "qev-tftp-serve ended"; exit 1; }
  sleep 0.05
done
[ -n "$port" ] || { echo "qev-tftp-serve printed no port"; exit 1; }

case $client in
  curl) curl -sS --max-time 30 -o "$work/received" "tftp://127.0.0.1:$port/$name" ;;
  busybox) timeout 30 busybox tftp -g -r "$name" -l "$work/received" 127.0.0.1 "$port" ;;
  atftp) timeout 30 atftp -g -r "$name" -l "$work/received" 127.0.0.1 "$port" ;;
  *) echo "unknown client $client"; exit 2 ;;
esac
cmp "$image" "$work/received"
echo "$client: $(stat -c %s "$work/received") bytes, identical"
