# Shared by the benchmark scripts: sourced after BUILD, ROWS and RUNS are set.
#   bench_setup NAME   a scratch folder $WORK (removed on exit), $CLI, $DATA
#   bench_book PATH SCRIPT ARGS...   writes a workbook once (cached in $DATA)
#   run NAME COMMAND...   one timed run appended to $WORK/NAME: "wall cpu kib"
#   median NAME FIELD     the median of field 1 (wall s), 2 (cpu s) or 3 (KiB)
# Needs GNU time (/usr/bin/time).

bench_setup() {
  CLI="$BUILD/bin/tessaro-cli"
  DATA="$BUILD/bench-data"
  WORK=$(mktemp -d "/tmp/$1.XXXXXX")
  trap 'rm -rf "$WORK"' EXIT
  mkdir -p "$DATA"
}

bench_book() {
  local path=$1 script=$2
  shift 2
  [ -f "$path" ] && return
  echo "writing $path ..." >&2
  /usr/bin/python3 "$script" "$path.tmp" "$@"
  mv "$path.tmp" "$path"
}

run() {
  local name=$1
  shift
  /usr/bin/time -f "%e %U %S %M" -o "$WORK/time" "$@" >/dev/null 2>"$WORK/err" || {
    echo "$name failed:" >&2
    cat "$WORK/err" >&2
    exit 1
  }
  awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$WORK/time" >>"$WORK/$name"
}

median() { sort -n -k"$2","$2" "$WORK/$1" | awk -v f="$2" '{ v[NR] = $f } END { print v[int((NR + 1) / 2)] }'; }
