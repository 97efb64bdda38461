# Timed stages of scripts/test. Source this file, then run each stage with
#   stage NAME FUNCTION [ARGS...]                 always runs
#   gated_stage NAME SECONDS FUNCTION [ARGS...]   runs only while the run's
#                                                 budget leaves SECONDS for it
#   skip_stage NAME REASON                        records why a stage did not run
# Every stage prints its wall time when it ends; stage_summary (called from the
# EXIT trap, so a failed run has one too) prints the table and the total.
# The budget is SKY_BUDGET_MINUTES (default 28) of the script's own clock.

stage_budget_seconds=$(( ${SKY_BUDGET_MINUTES:-28} * 60 ))
stage_rows=()
stage_current=
stage_started=0

stage_seconds_left() {
  echo $(( stage_budget_seconds - SECONDS ))
}

stage() {  # name function args...
  local name="$1"; shift
  stage_current="$name"
  stage_started=$SECONDS
  echo "== $name" >&2
  "$@"
  local took=$(( SECONDS - stage_started ))
  stage_rows+=("$(printf '%-10s %5ds' "$name" "$took")")
  echo "== $name done in ${took}s ($(( SECONDS / 60 ))m$(( SECONDS % 60 ))s into the run)" >&2
  stage_current=
}

skip_stage() {  # name reason
  stage_rows+=("$(printf '%-10s skipped: %s' "$1" "$2")")
  echo "!! skipping the $1 stage: $2" >&2
}

gated_stage() {  # name seconds-it-needs function args...
  local name="$1" needs="$2"; shift 2
  local left; left="$(stage_seconds_left)"
  if [ "$left" -lt "$needs" ]; then
    skip_stage "$name" "$(( left / 60 ))m$(( left % 60 ))s of the ${SKY_BUDGET_MINUTES:-28}-minute budget left, it needs about $(( needs / 60 ))m$(( needs % 60 ))s"
    return 0
  fi
  stage "$name" "$@"
}

stage_summary() {  # exit-status
  if [ -n "$stage_current" ]; then
    stage_rows+=("$(printf '%-10s %5ds  FAILED (exit %d)' "$stage_current" $(( SECONDS - stage_started )) "$1")")
  fi
  [ ${#stage_rows[@]} -gt 0 ] || return 0
  {
    echo "== wall time per stage"
    printf '   %s\n' "${stage_rows[@]}"
    printf '   %-10s %5ds (%dm%02ds; budget %d minutes)\n' total "$SECONDS" $(( SECONDS / 60 )) \
        $(( SECONDS % 60 )) "${SKY_BUDGET_MINUTES:-28}"
  } >&2
}
