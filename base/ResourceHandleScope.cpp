#include "base/ResourceHandleScope.h"

#include "afxwin.h"

ResourceHandleScope::ResourceHandleScope(HINSTANCE resources) : m_saved(AfxGetModuleState()->m_hCurrentResourceHandle) {
  AfxGetModuleState()->m_hCurrentResourceHandle = resources;
}

ResourceHandleScope::~ResourceHandleScope() { AfxGetModuleState()->m_hCurrentResourceHandle = m_saved; }
