" The two route texts of percorso: NAME_linea.txt and NAME_NUMBER-.txt. They end in .txt,
" which the default detection takes for plain text, so the type is set, not offered.
autocmd BufNewFile,BufRead *_linea.txt,*-.txt set filetype=percorso
