// Loaded by the checking page of fidelity_test.sh once every frame has loaded:
// compares the words of each source page (as Chromium shows it) with the
// words of its packed page (the parts joined, as pageprobe -s wrote them)
// and writes one RESULT line.
function words(text) { return text.match(/[A-Za-z0-9]+/g) || []; }

// Length of the longest common subsequence of a and b, by Myers' O(ND)
// difference algorithm; null when more than `limit` edits apart.
function lcs(a, b, limit) {
  const n = a.length, m = b.length, max = Math.min(n + m, limit);
  const v = new Int32Array(2 * max + 2), off = max + 1;
  for (let d = 0; d <= max; d++) {
    for (let k = -d; k <= d; k += 2) {
      let x = (k == -d || (k != d && v[off + k - 1] < v[off + k + 1])) ? v[off + k + 1] : v[off + k - 1] + 1;
      let y = x - k;
      while (x < n && y < m && a[x] === b[y]) { x++; y++; }
      v[off + k] = x;
      if (x >= n && y >= m) return (n + m - d) / 2;
    }
  }
  return null;
}

// The common words regardless of order: an upper bound, for pages too far apart.
function common(a, b) {
  const count = new Map();
  for (const w of a) count.set(w, (count.get(w) || 0) + 1);
  let c = 0;
  for (const w of b) { const k = count.get(w) || 0; if (k) { c++; count.set(w, k - 1); } }
  return c;
}

// A section that content-visibility: auto skips while it is off screen is
// shown once scrolled to, so it counts as shown (innerText leaves it out).
function text_of(frame) {
  const d = frame.contentDocument;
  if (!d || !d.body) return '';
  const s = d.createElement('style');
  s.textContent = '* { content-visibility: visible !important; }';
  d.head ? d.head.appendChild(s) : d.body.appendChild(s);
  return d.body.innerText;
}

function check(pages) {
  const out = [];
  for (const p of pages) {
    const src = words(text_of(document.getElementById(p.src)));
    let packed = [];
    for (const id of p.parts) packed = packed.concat(words(text_of(document.getElementById(id))));
    let same = lcs(src, packed, 20000), approx = false;
    if (same === null) { same = common(src, packed); approx = true; }
    out.push({url: p.url, src: src.length, packed: packed.length,
              recall: src.length ? same / src.length : 1, precision: packed.length ? same / packed.length : 1,
              approx: approx});
  }
  document.getElementById('r').textContent = 'RESULT ' + JSON.stringify(out) + ' END';
}
