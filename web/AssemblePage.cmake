# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the page together: site/ holds the files for a web server (the page with its modules'
# bundle in it, the engine beside it, the web-app manifest, the icons and the service worker
# that keeps them offline), tarvel.html the same
# page with the style, the engine, the modules' bundle and the icon written into it (for
# opening from disk). Both show the version; the service worker's cache is named by site/'s
# content, so that any change deploys as a new version.
#   -DPAGE=web/page -DENGINE=tarvel.js -DBUNDLE=page-bundle.js -DICONS=data/icons -DOUT=...
#   -DVERSION=22.1 -DROOT=source folder
cmake_minimum_required(VERSION 3.20)
set(revision "")
find_program(GIT_EXECUTABLE git)
if(GIT_EXECUTABLE)
  execute_process(COMMAND ${GIT_EXECUTABLE} -C ${ROOT} describe --always --dirty --abbrev=12
    OUTPUT_VARIABLE revision OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT revision MATCHES "^[0-9A-Za-z._+-]+$")
    set(revision "")
  endif()
endif()
set(version "${VERSION}")
if(revision)
  string(APPEND version " (${revision})")
endif()

file(REMOVE_RECURSE ${OUT}/site)
file(MAKE_DIRECTORY ${OUT}/site)
foreach(name style.css manifest.webmanifest)
  file(COPY ${PAGE}/${name} DESTINATION ${OUT}/site)
endforeach()
file(COPY ${ENGINE} DESTINATION ${OUT}/site)
configure_file(${ICONS}/192/org.tarvel.Programmer.png ${OUT}/site/icon-192.png COPYONLY)
configure_file(${ICONS}/512/org.tarvel.Programmer.png ${OUT}/site/icon-512.png COPYONLY)
configure_file(${ICONS}/org.tarvel.Programmer.svg ${OUT}/site/icon.svg COPYONLY)

file(READ ${PAGE}/index.html html)
string(REPLACE "@VERSION@" "${version}" html "${html}")
# The modules as one script written into the page, in both forms: it sets the page's texts
# before the first paint, and costs no chain of requests on a slow line. A script inside the
# page ends at the first "</script", wherever it stands.
file(READ ${BUNDLE} bundle)
string(REPLACE "</script" "<\\/script" bundle "${bundle}")
string(REPLACE "<script type=\"module\" src=\"main.js\"></script>" "<script>\n${bundle}</script>" html "${html}")
file(WRITE ${OUT}/site/index.html "${html}")

# The service worker keeps every file of site/ under a name made of their content.
file(GLOB kept RELATIVE ${OUT}/site ${OUT}/site/*)
list(SORT kept)
set(content "")
set(files "\"./\"")
foreach(name ${kept})
  file(SHA256 ${OUT}/site/${name} hash)
  string(APPEND content "${name} ${hash}\n")
  string(APPEND files ", \"${name}\"")
endforeach()
string(SHA256 cache "${content}")
string(SUBSTRING "${cache}" 0 16 cache)
file(READ ${PAGE}/sw.js worker)
string(REPLACE "@CACHE@" "tarvel-${cache}" worker "${worker}")
string(REPLACE "[\"@FILES@\"]" "[${files}]" worker "${worker}")
file(WRITE ${OUT}/site/sw.js "${worker}")

# The single file: no manifest or worker (a page from disk has nothing to install or keep),
# the icon as a data URL.
file(READ ${ICONS}/org.tarvel.Programmer.svg svg)
string(REGEX REPLACE "<!--[^>]*-->" "" svg "${svg}")
string(REGEX REPLACE "[\r\n ]+" " " svg "${svg}")
foreach(pair "%|%25" "#|%23" "\"|'" "<|%3C" ">|%3E")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  string(REPLACE "${from}" "${to}" svg "${svg}")
endforeach()
string(REPLACE "<link rel=\"manifest\" href=\"manifest.webmanifest\">\n" "" html "${html}")
string(REPLACE "href=\"icon.svg\"" "href=\"data:image/svg+xml,${svg}\"" html "${html}")
file(READ ${PAGE}/style.css css)
string(REPLACE "<link rel=\"stylesheet\" href=\"style.css\">" "<style>\n${css}</style>" html "${html}")
file(READ ${ENGINE} js)
string(REPLACE "</script" "<\\/script" js "${js}")
string(REPLACE "<script src=\"tarvel.js\" async id=\"engine\"></script>" "<script id=\"engine\">\n${js}</script>" html "${html}")
if(html MATCHES "src=\"[a-z]+\\.js\"|href=\"style\\.css\"|manifest\\.webmanifest|href=\"icon")
  message(FATAL_ERROR "AssemblePage: a file of the page was left out of tarvel.html")
endif()
file(WRITE ${OUT}/tarvel.html "${html}")
