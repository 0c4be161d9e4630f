# Writes OUTPUT, a C++ file defining HTML_STYLE and HTML_SCRIPT from the
# files STYLE and SCRIPT: each byte as a number, so no text of theirs can end
# a literal. Run by the build (cmake -P) whenever either file changes. A page
# would end at "</script" or "</style" inside them, so those are refused.
foreach(pair "HTML_STYLE;${STYLE};</style" "HTML_SCRIPT;${SCRIPT};</script")
  list(GET pair 0 name)
  list(GET pair 1 file)
  list(GET pair 2 closing)
  file(READ ${file} text)
  string(TOLOWER "${text}" lower)
  string(FIND "${lower}" "${closing}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "${file} holds ${closing}, which would end its element in the page")
  endif()
  file(READ ${file} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
  string(APPEND body "extern const char ${name}[];\nconst char ${name}[] = {\n${bytes}0};\n")
endforeach()
file(WRITE ${OUTPUT}.new "// Generated from page/page.css and page/page.js by embed_assets.cmake.\n${body}")
file(RENAME ${OUTPUT}.new ${OUTPUT})
