// The dialog layer's page side, written into the page itself (make web), so
// the launcher's form is painted before the program arrives: a dialog
// template shown as an HTML form, and message boxes. The program keeps each
// control's state (platform/dialog/web/windows_web.cpp); the form reports the
// user's actions in order and shows the state it is given back.
var peekstunDialogs = {
  form: null,
  actions: [],
  actionWaiter: null,

  // Dialog units: a quarter of the font's average character width across, an
  // eighth of its height down.
  unitX: 0.125,
  unitY: 0.145,

  // The text with its '&' marks dropped ("&&" is one '&'), and the key the
  // mark names.
  shortcut(text) {
    let shown = '';
    let key = '';
    for (let i = 0; i < text.length; ++i) {
      if (text[i] === '&' && i + 1 < text.length) {
        ++i;
        if (text[i] !== '&' && !key) key = text[i].toLowerCase();
      }
      shown += text[i];
    }
    return { shown, key };
  },

  place(element, control) {
    element.style.position = 'absolute';
    element.style.left = control.x * this.unitX + 'em';
    element.style.top = control.y * this.unitY + 'em';
    element.style.width = control.width * this.unitX + 'em';
    if (control.kind !== 'list') element.style.height = control.height * this.unitY + 'em';
  },

  act(kind, id, value) {
    this.actions.push({ kind, id, value });
    if (this.actionWaiter) {
      const wake = this.actionWaiter;
      this.actionWaiter = null;
      wake();
    }
  },

  // The program's form, or the build's copy of it (early) painted before the
  // program has downloaded: then the program's own open() takes it over as
  // it is, with the actions taken meanwhile still queued for it.
  early: false,

  // Builds the form for a template: { caption, width, height, defaultId,
  // controls: [{ id, kind, text, x, y, width, height }] }.
  open(layout, early = false) {
    const text = JSON.stringify(layout);
    if (!early && this.early && this.form && this.layoutText === text) {
      this.early = false;
      this.form.classList.add('dialog');
      return;
    }
    this.close();
    this.early = early;
    this.actions = [];
    // The dialog role lies on a plain element holding the form (a form
    // cannot take it), named by the title.
    const frame = document.createElement('div');
    frame.setAttribute('role', 'dialog');
    frame.setAttribute('aria-labelledby', 'dialog-title');
    const form = document.createElement('form');
    // "dialog" marks the program's form; the build's copy has only the looks.
    form.className = early ? 'dialog-form' : 'dialog-form dialog';
    this.layoutText = text;
    frame.appendChild(form);
    const title = document.createElement('h2');
    title.id = 'dialog-title';
    title.textContent = layout.caption;
    form.appendChild(title);
    const body = document.createElement('div');
    body.className = 'dialog-body';
    body.style.width = layout.width * this.unitX + 'em';
    body.style.height = layout.height * this.unitY + 'em';
    form.appendChild(body);
    this.controls = new Map();
    for (const control of layout.controls) {
      const { shown, key } = this.shortcut(control.text);
      let element;
      let input = null;
      if (control.kind === 'button') {
        element = input = document.createElement('button');
        input.type = control.id === layout.defaultId ? 'submit' : 'button';
        input.textContent = shown;
        input.addEventListener('click', (event) => {
          event.preventDefault();
          this.act('click', control.id, 0);
        });
      } else if (control.kind === 'check') {
        element = document.createElement('label');
        input = document.createElement('input');
        input.type = 'checkbox';
        input.addEventListener('change', () => this.act('click', control.id, 0));
        element.append(input, ' ' + shown);
      } else if (control.kind === 'list') {
        element = input = document.createElement('select');
        input.addEventListener('change', () => this.act('choose', control.id, input.selectedIndex));
      } else if (control.kind === 'group') {
        element = document.createElement('fieldset');
        const legend = document.createElement('legend');
        legend.textContent = shown;
        element.appendChild(legend);
      } else {
        element = document.createElement('label');
        element.textContent = shown;
      }
      element.dataset.control = control.id;
      if (input) input.id = 'control-' + control.id;
      if (input && key) input.accessKey = key;
      this.place(element, control);
      this.controls.set(control.id, { control, element, input });
    }
    // Each list's words name it; the controls follow in reading order (top
    // to bottom, then left to right), for the focus and for screen readers.
    for (const pair of this.labelledLists()) pair.label.htmlFor = pair.list.id;
    const reading = [...this.controls.values()].sort((a, b) => a.control.y - b.control.y || a.control.x - b.control.x);
    for (const found of reading) body.appendChild(found.element);
    // Enter runs the default command unless a push button has the focus;
    // Escape cancels.
    form.addEventListener('submit', (event) => {
      event.preventDefault();
      this.act('click', layout.defaultId, 0);
    });
    // Keys are taken from the whole page: the focus may be nowhere (the
    // browser leaving full screen drops it).
    this.onKey = (event) => {
      if (this.form !== form || form.inert || document.querySelector('dialog[open]')) return;
      if (event.key === 'Escape') {
        event.preventDefault();
        this.act('click', 2, 0);
      } else if (event.key === 'Enter' && event.target.tagName !== 'BUTTON') {
        event.preventDefault();
        this.act('click', layout.defaultId, 0);
      }
    };
    window.addEventListener('keydown', this.onKey);
    (document.getElementById('page') || document.body).appendChild(frame);
    this.form = form;
    this.fitLabels();
    // Zooming changes the text's width against the units a little.
    this.onResize = () => this.fitLabels();
    window.addEventListener('resize', this.onResize);
    const first = form.querySelector('button[type=submit]') || form.querySelector('button, input, select');
    if (first) first.focus();
    this.onFullscreen = () => {
      if (this.form === form && !form.contains(document.activeElement) && first) first.focus();
    };
    document.addEventListener('fullscreenchange', this.onFullscreen, { once: true });
  },

  // The page's font is wider than the dialog units assume, and a list is
  // taller than its label: each label left of a list is centred on the
  // list's row, and where the widest such label needs more room than the
  // template leaves, those lists start further right together (their right
  // edges stay), so the column stays lined up.
  fitLabels() {
    const pairs = this.labelledLists();
    if (pairs.length === 0) return;
    const em = parseFloat(getComputedStyle(this.form.querySelector('.dialog-body')).fontSize);
    const gap = 0.5;  // em between a label and its list
    // The lists share one left edge (the template's are a unit apart), moved
    // right as far as the widest label needs.
    const column = Math.max(...pairs.map((pair) => pair.listControl.x)) * this.unitX;
    let left = column;
    for (const pair of pairs) {
      pair.label.style.width = 'max-content';
      const needed = pair.labelControl.x * this.unitX + pair.label.getBoundingClientRect().width / em + gap;
      left = Math.max(left, needed);
    }
    for (const pair of pairs) {
      const list = pair.list;
      const label = pair.label;
      list.style.left = left + 'em';
      list.style.width = (pair.listControl.x + pair.listControl.width) * this.unitX - left + 'em';
      label.style.width = left - pair.labelControl.x * this.unitX - gap + 'em';
      label.style.top = list.offsetTop / em + 'em';
      label.style.height = list.offsetHeight / em + 'em';
    }
  },

  // Each label left of a list on its row, with that list:
  // [{ label, labelControl, list, listControl }].
  labelledLists() {
    const pairs = [];
    // (No destructuring in loop heads: the build's minifier drops it.)
    const all = [...this.controls.values()];
    for (const found of all) {
      const control = found.control;
      if (control.kind !== 'label') continue;
      const list = all.find((other) => other.control.kind === 'list' &&
        other.control.x > control.x && Math.abs(other.control.y - control.y) <= 4);
      if (list) pairs.push({ label: found.element, labelControl: control, list: list.element, listControl: list.control });
    }
    return pairs;
  },

  // Shows the program's state: [{ id, enabled, checked, items, selection }].
  update(states) {
    for (const state of states) {
      const found = this.controls.get(state.id);
      if (!found || !found.input) continue;
      const input = found.input;
      input.disabled = !state.enabled;
      if (found.control.kind === 'check') input.checked = state.checked;
      if (found.control.kind === 'list') {
        const shown = Array.from(input.options, (option) => option.text);
        if (shown.length !== state.items.length || shown.some((text, i) => text !== state.items[i])) {
          input.replaceChildren(...state.items.map((text) => new Option(text)));
        }
        input.selectedIndex = state.selection;
      }
    }
  },

  // The user's next action.
  async nextAction() {
    while (this.actions.length === 0) await new Promise((resolve) => { this.actionWaiter = resolve; });
    return this.actions.shift();
  },

  close() {
    if (!this.form) return;
    window.removeEventListener('keydown', this.onKey);
    window.removeEventListener('resize', this.onResize);
    // Left behind, it would keep the whole closed form alive.
    document.removeEventListener('fullscreenchange', this.onFullscreen);
    this.form.parentElement.remove();
    this.form = null;
    this.early = false;
    this.controls = null;
    this.actionWaiter = null;
  },

  // A message box; resolves once it is answered (OK, Enter or Escape). It is
  // a modal <dialog>, so it shows above a canvas in full screen too.
  messageBox(caption, text, isError) {
    return new Promise((resolve) => {
      const box = document.createElement('dialog');
      box.className = 'message-box' + (isError ? ' error' : '');
      box.setAttribute('aria-labelledby', 'message-box-title');
      const title = document.createElement('h2');
      title.id = 'message-box-title';
      title.textContent = caption;
      const body = document.createElement('p');
      body.textContent = text;
      const ok = document.createElement('button');
      ok.type = 'button';
      ok.textContent = 'OK';
      box.append(title, body, ok);
      // Full screen entered after the box opened (it is granted later)
      // covers it: opened again, it is above.
      const raise = () => {
        if (!document.fullscreenElement || !box.open) return;
        box.close();
        box.showModal();
        ok.focus();
      };
      document.addEventListener('fullscreenchange', raise);
      const answer = (event) => {
        if (event.type === 'keydown' && event.key !== 'Enter') return;
        event.preventDefault();
        event.stopPropagation();
        document.removeEventListener('fullscreenchange', raise);
        box.close();
        box.remove();
        resolve();
      };
      ok.addEventListener('click', answer);
      box.addEventListener('keydown', answer);
      box.addEventListener('cancel', answer);  // Escape
      (document.getElementById('page') || document.body).appendChild(box);
      box.showModal();
      ok.focus();
    });
  },
};
