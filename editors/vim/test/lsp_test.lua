-- Drives `percorso lsp` from Neovim's built-in client (Neovim 0.7 or later), headless:
--   PERCORSO_EXE=out/release/percorso ROUTES=dir nvim --headless -u NONE -i NONE -n \
--     -c "luafile editors/vim/test/lsp_test.lua"
-- ROUTES holds the exported built-in texts. Every wait is on a condition, bounded by a
-- generous timeout, so a loaded machine only makes the test slower. Exits 0 when every
-- check passes, 1 at the first that fails.
local exe = os.getenv('PERCORSO_EXE')
local dir = os.getenv('ROUTES')
local timeout = tonumber(os.getenv('LSP_TEST_TIMEOUT_MS') or '60000')

local function say(msg) io.stdout:write(msg .. '\n') end
local function fail(msg)
  io.stderr:write('FAIL: ' .. msg .. '\n')
  vim.cmd('cquit! 1')
end
local function wait_for(what, cond)
  if not vim.wait(timeout, cond, 20) then fail('timed out waiting for ' .. what) end
end

vim.cmd('edit ' .. vim.fn.fnameescape(dir .. '/Valdoro_Ostrano_55-.txt'))
local buf = vim.api.nvim_get_current_buf()

local published = 0
local client_id = vim.lsp.start_client({
  name = 'percorso',
  cmd = { exe, 'lsp' },
  root_dir = dir,
  handlers = {
    ['textDocument/publishDiagnostics'] = function(err, result, ctx, config)
      if result and result.uri == vim.uri_from_bufnr(buf) then published = published + 1 end
      return vim.lsp.diagnostic.on_publish_diagnostics(err, result, ctx, config)
    end,
  },
})
if not client_id then fail('the client did not start') end
vim.lsp.buf_attach_client(buf, client_id)
local client = vim.lsp.get_client_by_id(client_id)

-- The built-in texts compile without error.
wait_for('the first diagnostics', function() return published >= 1 end)
if #vim.diagnostic.get(buf) ~= 0 then fail('diagnostics on the built-in texts') end
say('ok: the built-in pair has no diagnostic')

-- A signal onto the start cell of the slowdown at 26500 m.
local row, col
for i, line in ipairs(vim.api.nvim_buf_get_lines(buf, 0, -1, false)) do
  local s = line:find('10200', 1, true)
  if line:find('^segnale') and s then
    row, col = i - 1, s - 1
    break
  end
end
if not row then fail('no signal at 10200 m in the train text') end
local before = published
vim.api.nvim_buf_set_text(buf, row, col, row, col + 5, { '26500' })
wait_for('the diagnostic of the signal', function()
  return published > before and #vim.diagnostic.get(buf) > 0
end)
local d = vim.diagnostic.get(buf)[1]
if d.lnum ~= row or d.col ~= col or d.end_col ~= col + 5 then
  fail(string.format('diagnostic at %d:%d-%d, expected %d:%d-%d', d.lnum, d.col, d.end_col, row, col, col + 5))
end
if tostring(d.code) ~= '16' then fail('diagnostic code ' .. tostring(d.code) .. ', expected 16') end
say(string.format('ok: error 16 at line %d, column %d: %s', row + 1, col + 1, d.message))

-- Undo clears it.
before = published
vim.cmd('silent undo')
wait_for('the diagnostic to clear', function()
  return published > before and #vim.diagnostic.get(buf) == 0
end)
say('ok: undo clears the diagnostic')

-- Hover on the signal's position names the field.
local hover = client.request_sync('textDocument/hover', {
  textDocument = { uri = vim.uri_from_bufnr(buf) },
  position = { line = row, character = col + 1 },
}, timeout, buf)
if not hover or hover.err or not hover.result then fail('no hover') end
local text = hover.result.contents.value
if not text:find('`posizione`', 1, true) then fail('hover without the field name: ' .. text) end
say('ok: hover names the field posizione')

-- The outline lists the sixteen stations.
local symbols = client.request_sync('textDocument/documentSymbol', {
  textDocument = { uri = vim.uri_from_bufnr(buf) },
}, timeout, buf)
if not symbols or symbols.err or not symbols.result then fail('no document symbols') end
local stations = 0
local function walk(list)
  for _, s in ipairs(list) do
    if s.kind == vim.lsp.protocol.SymbolKind.Object then stations = stations + 1 end
    if s.children then walk(s.children) end
  end
end
walk(symbols.result)
if stations ~= 16 then fail('found ' .. stations .. ' stations, expected 16') end
say('ok: the outline holds 16 stations')

client.stop()
wait_for('the server to stop', function() return client.is_stopped() end)
vim.cmd('qall!')
