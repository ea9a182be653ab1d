# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the page together: site/ holds the files as they are (for a web server), tarvel.html the
# same page with the style, the engine and the modules' bundle written into it (for opening
# from disk).
file(GLOB scripts RELATIVE ${PAGE} ${PAGE}/*.js)
file(MAKE_DIRECTORY ${OUT}/site)
foreach(name index.html style.css ${scripts})
  file(COPY ${PAGE}/${name} DESTINATION ${OUT}/site)
endforeach()
file(COPY ${ENGINE} DESTINATION ${OUT}/site)
configure_file(${ICON} ${OUT}/site/icon.svg COPYONLY)

file(READ ${PAGE}/index.html html)
file(READ ${PAGE}/style.css css)
# The icon as a data: URL, percent-encoded where a URL needs it.
file(READ ${ICON} svg)
foreach(pair "%|%25" "#|%23" "\"|%22" "<|%3C" ">|%3E" "\n|%0A")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  string(REPLACE "${from}" "${to}" svg "${svg}")
endforeach()
string(REPLACE "href=\"icon.svg\"" "href=\"data:image/svg+xml,${svg}\"" html "${html}")
string(REPLACE "<link rel=\"stylesheet\" href=\"style.css\">" "<style>\n${css}</style>" html "${html}")
foreach(pair "tarvel.js|${ENGINE}|<script src=\"tarvel.js\"></script>"
             "main.js|${BUNDLE}|<script type=\"module\" src=\"main.js\"></script>")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 1 from)
  list(GET pair 2 tag)
  file(READ ${from} js)
  # A script inside the page ends at the first "</script", wherever it stands.
  string(REPLACE "</script" "<\\/script" js "${js}")
  string(REPLACE "${tag}" "<script>\n${js}</script>" html "${html}")
endforeach()
if(html MATCHES "src=\"[a-z]+\\.js\"|href=\"(style\\.css|icon\\.svg)\"")
  message(FATAL_ERROR "AssemblePage: a file of the page was left out of tarvel.html")
endif()
file(WRITE ${OUT}/tarvel.html "${html}")
