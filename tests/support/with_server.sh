#!/bin/sh
# Runs a test program against a throwaway PostgreSQL cluster (pg_virtualenv makes it, also as
# root, and drops it afterwards), with KORVANE_TEST_PG naming it for the tests. Exits 77, which
# ctest reports as skipped, when no cluster can be started on this machine.
if ! command -v pg_virtualenv >/dev/null 2>&1; then
    echo "pg_virtualenv is not installed (package postgresql-common): the server runs are skipped"
    exit 77
fi
started=$(mktemp -u)
pg_virtualenv -t -o max_connections=80 -o fsync=off sh -c 'touch "$0"; KORVANE_TEST_PG=postgresql:// exec "$@"' "$started" "$@"
rc=$?
if [ ! -e "$started" ]; then
    echo "no PostgreSQL cluster could be started here: the server runs are skipped"
    exit 77
fi
rm -f "$started"
exit $rc
