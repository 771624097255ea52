" Vim syntax file for the route texts of percorso (NAME_linea.txt, NAME_NUMBER-.txt).
" Keywords match anywhere inside the first field of a row, letter case ignored, as the
" compiler reads them.
if exists("b:current_syntax")
  finish
endif

syntax case ignore

" A field holding '-' at the start of a row is a comment: the compiler skips it.
syntax match percorsoComment "^\s*[^,\r\n]*-[^,\r\n]*$"
syntax match percorsoSection "^\s*\[[^\]\r\n]*\]"
syntax match percorsoNumber "[-+]\=\<\d\+\>"
syntax region percorsoString start=+"+ end=+"+ oneline

syntax match percorsoKeyword "^\s*[^,\r\n-]*\%(lunghezza\|progressiva\|sfondo\|ripetizione\)[^,\r\n-]*\ze,"
syntax match percorsoKeyword "^\s*[^,\r\n-]*\%(pendenza\|curva\|montagna\|indicatori_v\|cartello\)[^,\r\n-]*\ze,"
syntax match percorsoKeyword "^\s*[^,\r\n-]*\%(frenata\|vetture\|velocit\|aderenza\|orologio\|sabbia\)[^,\r\n-]*\ze,"
syntax match percorsoItem "^\s*[^,\r\n-]*\%(segnale\|rallentamento\|abbattimento\|stazione\)[^,\r\n-]*\ze,"
" The name at the end of a station row, after its sixteen numbers.
syntax match percorsoName "\%(^\s*[^,\r\n]*stazione[^,\r\n]*\%(,[^,\r\n]*\)\{16},\)\@<=[^,\r\n]*$"

highlight default link percorsoComment Comment
highlight default link percorsoSection PreProc
highlight default link percorsoNumber Number
highlight default link percorsoString String
highlight default link percorsoName String
highlight default link percorsoKeyword Keyword
highlight default link percorsoItem Statement

let b:current_syntax = "percorso"
