# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the page together: site/ holds the files as they are (for a web server), tarvel.html the
# same page with every style and script written into it (for opening from disk).
set(scripts texts.js settings.js app.js)
file(MAKE_DIRECTORY ${OUT}/site)
foreach(name index.html style.css ${scripts})
  file(COPY ${PAGE}/${name} DESTINATION ${OUT}/site)
endforeach()
file(COPY ${ENGINE} DESTINATION ${OUT}/site)

file(READ ${PAGE}/index.html html)
file(READ ${PAGE}/style.css css)
string(REPLACE "<link rel=\"stylesheet\" href=\"style.css\">" "<style>\n${css}</style>" html "${html}")
foreach(name tarvel.js ${scripts})
  if(name STREQUAL tarvel.js)
    file(READ ${ENGINE} js)
  else()
    file(READ ${PAGE}/${name} js)
  endif()
  # A script inside the page ends at the first "</script", wherever it stands.
  string(REPLACE "</script" "<\\/script" js "${js}")
  string(REPLACE "<script src=\"${name}\"></script>" "<script>\n${js}</script>" html "${html}")
endforeach()
if(html MATCHES "src=\"[a-z]+\\.js\"|href=\"style\\.css\"")
  message(FATAL_ERROR "AssemblePage: a file of the page was left out of tarvel.html")
endif()
file(WRITE ${OUT}/tarvel.html "${html}")
