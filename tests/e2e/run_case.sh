#!/usr/bin/env bash
# Runs one end-to-end case: the built binary (tallyrpt, or tallyview for the
# cases of tests/view/cases) on the traces of a case folder, comparing the
# exit status, the whole standard error stream and, when the case has them,
# the standard output, the whole results file and other output files
# (generation times masked).
#
# A case folder holds:
#   args             one command-line argument per line (run from a scratch
#                    copy of the folder, so relative names are case files)
#   env              optional KEY=VALUE lines; @KORVEL@ names the test
#                    catalogue installation, @STAGE@ the build's, @CASE@ the
#                    scratch folder
#   expected.status  the exit status (255 for -1)
#   expected.stderr  the standard error stream
#   expected.stdout  optional: the standard output stream (else it must be empty)
#   expected.xrd     optional: the expected results file (named by `results`,
#                    default out.xrd); without it no results file may exist
#   results          optional: the results file name
#   expected.output/ optional: files the binary must write, each compared
#                    with the file of the same name it wrote
#   expected.contains optional: lines "FILE TEXT": the file written holds
#                    TEXT; "!FILE TEXT": it does not. In an HTML page the
#                    packed data blocks are searched too, as their JSON
#   setup.sh         optional: run in the scratch folder before the binary
set -u

binary=$(realpath "$1")
stage=$(realpath "$2")
korvel=$(realpath "$3")
case_dir=$(realpath "$4")

work=$(mktemp -d /tmp/tally_e2e_XXXXXX)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
cp -r "$case_dir"/. "$work"/
cd "$work"

expand() {
  sed -e "s#@KORVEL@#$korvel#g" -e "s#@STAGE@#$stage#g" -e "s#@CASE@#$work#g"
}

args=()
if [ -f args ]; then
  while IFS= read -r line || [ -n "$line" ]; do
    args+=("$(printf '%s' "$line" | expand)")
  done < args
fi

# "!NAME" in env unsets a variable; NAME=VALUE sets it.
environment=("KORVELDIR=$stage" "LANG=C.UTF-8" "LC_ALL=")
unset_names=(-u ZEPH_STUDIO_HEADER_FILE)
if [ -f env ]; then
  while IFS= read -r line || [ -n "$line" ]; do
    [ -n "$line" ] || continue
    if [ "${line#!}" != "$line" ]; then
      name=${line#!}
      kept=()
      for entry in "${environment[@]}"; do
        [ "${entry%%=*}" = "$name" ] || kept+=("$entry")
      done
      environment=("${kept[@]}")
      unset_names+=(-u "$name")
    else
      environment+=("$(printf '%s' "$line" | expand)")
    fi
  done < env
fi

[ -f setup.sh ] && bash setup.sh

# Argument 0 is the bare program name, found through PATH, so the usage text
# does not depend on where the build tree lies.
program=$(basename "$binary")
mkdir -p "$work/.bin"
ln -s "$binary" "$work/.bin/$program"
env "${unset_names[@]}" "${environment[@]}" PATH="$work/.bin:$PATH" "$program" "${args[@]}" \
  > actual.stdout 2> actual.stderr
status=$?

# The generation time is the one part that changes from run to run, as
# asctime writes it and as a JUnit timestamp.
mask_times() {
  sed -E -e 's/[A-Z][a-z]{2} [A-Z][a-z]{2} [0-9 ]?[0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}/@TIME@/' \
         -e 's/[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}/@TIME@/g' "$@"
}

failed=0
expected_status=$(cat expected.status 2>/dev/null)
if [ "$status" != "$expected_status" ]; then
  echo "exit status: expected $expected_status, got $status"
  failed=1
fi

same() {  # same <expected> <actual> <what>
  diff -u "$1" "$2" || { echo "$3 differs"; failed=1; }
}
touch expected.stderr expected.stdout
expand < expected.stderr > expected.stderr.expanded
same expected.stderr.expanded actual.stderr "standard error"
same expected.stdout actual.stdout "standard output"

results=out.xrd
[ -f results ] && results=$(cat results)
if [ -f expected.xrd ]; then
  if [ ! -f "$results" ]; then
    echo "no results file $results"
    failed=1
  else
    mask_times "$results" > actual.xrd
    same expected.xrd actual.xrd "results file"
    xmllint --noout "$results" || { echo "results file is not well-formed"; failed=1; }
  fi
elif [ -e "$results" ] && [ ! -f expected.keeps-results ]; then
  echo "a results file was written but none was expected"
  failed=1
fi

if [ -d expected.output ]; then
  for expected in expected.output/*; do
    name=$(basename "$expected")
    if [ ! -f "$name" ]; then
      echo "no output file $name"
      failed=1
    else
      same "$expected" <(mask_times "$name") "output file $name"
    fi
  done
fi
# A file's text; for a page, followed by its packed blocks unpacked: base64,
# then a zlib stream, which gzip reads once given a gzip header in place of
# zlib's two bytes (it then misses the gzip trailer, so its status is moot).
text_of() {
  cat "$1" 2>/dev/null || return 1
  case $1 in
    *.html)
      sed -n 's/^<script type="application\/json+deflate+base64" id="[a-z0-9-]*">\(.*\)<\/script>$/\1/p' "$1" |
        while IFS= read -r block; do
          { printf '\037\213\010\000\000\000\000\000\000\377'
            printf '%s' "$block" | base64 -d | tail -c +3; } | gzip -dc 2>/dev/null
          echo
        done ;;
  esac
}
if [ -f expected.contains ]; then
  while IFS= read -r line || [ -n "$line" ]; do
    [ -n "$line" ] || continue
    file=${line%% *} text=${line#* }
    if [ "${file#!}" != "$file" ]; then
      text_of "${file#!}" | grep -qF -- "$text" && { echo "${file#!} holds: $text"; failed=1; }
    else
      text_of "$file" | grep -qF -- "$text" || { echo "$file lacks: $text"; failed=1; }
    fi
  done < expected.contains
fi

# BLESS=1 records what the binary produced as the case's expectation; read
# the result before committing it.
if [ "${BLESS:-}" = 1 ]; then
  echo "$status" > "$case_dir/expected.status"
  cp actual.stderr "$case_dir/expected.stderr"
  [ -s actual.stdout ] && cp actual.stdout "$case_dir/expected.stdout"
  if [ -d expected.output ]; then
    for expected in expected.output/*; do
      [ -f "$(basename "$expected")" ] && mask_times "$(basename "$expected")" > "$case_dir/$expected"
    done
  fi
  if [ -f "$results" ] && [ ! -f expected.keeps-results ]; then
    mask_times "$results" > "$case_dir/expected.xrd"
  fi
  exit 0
fi

exit $failed
