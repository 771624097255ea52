" The two route texts of percorso: NAME_linea.txt and NAME_NUMBER-.txt.
autocmd BufNewFile,BufRead *_linea.txt,*-.txt setfiletype percorso
