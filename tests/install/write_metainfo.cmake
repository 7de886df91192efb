# Writes the AppStream entry to OUTPUT by the build's rule (METAINFO_SCRIPT) from METAINFO_TEMPLATE
# with the screenshots' address URL, for the tests of that rule.
cmake_minimum_required(VERSION 3.25)
include(${METAINFO_SCRIPT})
sharometr_write_metainfo(${METAINFO_TEMPLATE} ${OUTPUT} invalid.sharometr.sharometr 1.0 2026-01-01 "${URL}")
