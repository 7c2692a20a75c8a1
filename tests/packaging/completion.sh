#!/usr/bin/env bash
# bash completion of quorvel-batch against the built program, in a folder of one file of each
# kind: each row is the words typed so far (the last one being completed) and the replies.
# Usage: completion.sh QUORVEL_BATCH COMPLETION_SCRIPT
set -uo pipefail
batch=$1
source "$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && mkdir out && touch labels.txt tags.pdf tags.ndr tag.rav

commands=$("$batch" --help | sed -n 's/^  quorvel-batch \([^ ]*\).*/\1/p' | tr '\n' ' ')
failures=0
check() {
  local name=$1 expected=$2
  shift 2
  COMP_WORDS=("$batch" "$@")
  COMP_CWORD=$#
  COMPREPLY=()
  _quorvel_batch
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
  expected=$(printf '%s\n' $expected | sort | tr '\n' ' ')
  if [[ $got != "$expected" ]]; then
    echo "FAILED $name: expected [$expected], got [$got]"
    failures=$((failures + 1))
  else
    echo "ok $name"
  fi
}

check every_command_from_help "$commands" ""
check command_prefix "list" li
check options_of_print "--all-pages --allow-error-boxes --copies --definition --dpi --png --printer --start --wait" print --
check options_of_check_definition "--dpi" check-definition labels.rav --
check option_of_list "--count" list -
check png_takes_a_folder "out" print labels.txt --png ""
check o_takes_pdf_or_ndr "out tags.pdf tags.ndr" print labels.txt -o ""
check dpi_takes_a_number "" print labels.txt --dpi ""
check render_reads_a_snapshot "out tags.ndr" render ""
check label_files_are_any_file "labels.txt out tags.pdf tags.ndr tag.rav" list ""

exit $((failures > 0))
