# Writes OUT, a C++ source that holds the page's files as string views.
# Run as: cmake -DPAGE_DIR=... -DOUT=... -P embed_page.cmake
set(source "// Made from workbench/ui/page/ by embed_page.cmake; do not edit.\n")
string(APPEND source "#include \"workbench/ui/page_assets.h\"\n\nnamespace kwt {\n\n")
foreach(pair "kPageHtml;index.html" "kPageScript;app.js" "kPageStyle;style.css")
  list(GET pair 0 symbol)
  list(GET pair 1 file)
  file(READ "${PAGE_DIR}/${file}" content)
  # A raw string cannot hold its own delimiter; the page never does.
  string(FIND "${content}" ")KWTPAGE" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${file} holds the raw-string delimiter")
  endif()
  string(APPEND source "extern const std::string_view ${symbol} = R\"KWTPAGE(${content})KWTPAGE\";\n\n")
endforeach()
string(APPEND source "}  // namespace kwt\n")
file(WRITE "${OUT}.tmp" "${source}")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
