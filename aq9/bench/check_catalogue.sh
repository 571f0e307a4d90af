#!/usr/bin/env bash
# Checks that imubench registers exactly the scenario catalogue: every group
# and name of scenarios.txt, nothing else. Usage: check_catalogue.sh IMUBENCH LIST
set -euo pipefail
bench=$1
list=$2
# -ln lists "group.name" for every registered scenario, ignored ones included.
actual=$("$bench" -ln | tr ' ' '\n' | sed '/^$/d' | tr '.' ' ' | sort)
expected=$(sort "$list")
if [ "$actual" != "$expected" ]; then
  echo "imubench scenarios differ from $list:"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
echo "imubench registers the $(echo "$expected" | wc -l) catalogue scenarios"
