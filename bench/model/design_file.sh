# Sourced by the model benches: write_design_file CLI BUILD_DIR A Z2 Z1 FILE
# writes the design file as the window saves it: the recommended inputs of
# the basic ones in a copy of the template.
write_design_file() {
  local cli="$1" build="$2" a="$3" z2="$4" z1="$5" file="$6"
  local -a inputs sets=()
  mapfile -t inputs < <("$cli" design --centre-distance "$a" --wheel-teeth "$z2" --worm-starts "$z1" --json |
    python3 -c 'import json,sys; d=json.load(sys.stdin)["inputs"]; [print(d["Edit%d" % k]) for k in range(1, 14)]')
  [ "${#inputs[@]}" -eq 13 ] || { echo "no recommended design for $a/$z2/$z1" >&2; return 1; }
  for k in $(seq 1 13); do sets+=(--set "A$k=${inputs[$((k - 1))]}"); done
  "$cli" cells "$build/111.xls" "${sets[@]}" --set A14= -o "$file" >/dev/null
}
