#!/usr/bin/env bash
# Writes kvhost.pot, the template of the host programs' message catalogues,
# from the sources: the programs' Translated and Compose calls, and the
# descriptions of what is wrong with a file that the scene check and the JSON
# reader give. Run it after
# changing a message, then merge the template into each language:
#   for po in host/tools/translations/*.po; do msgmerge -U "$po" host/tools/translations/kvhost.pot; done
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../../.."
template=host/tools/translations/kvhost.pot
programs=$(mktemp) descriptions=$(mktemp)
trap 'rm -f "$programs" "$descriptions"' EXIT
xgettext --language=C++ --from-code=UTF-8 --keyword=Translated --keyword=Compose:1 --keyword=Tr --keyword=TrCompose:1 --no-location \
  --package-name=kvhost --package-version=1.0.0 -o "$programs" \
  host/tools/kvimport/*.cpp host/tools/kvinfo/*.cpp host/tools/kvprefs/*.cpp host/tools/kvstudio/*.cpp host/tools/common/*.cpp
xgettext --language=C++ --extract-all --no-location -o "$descriptions" scenefile/SceneFileCheck.cpp host/json/JsonFaultText.cpp
sed -i "s/charset=CHARSET/charset=UTF-8/" "$programs" "$descriptions"
msgcat --use-first --sort-output "$programs" "$descriptions" -o "$template"
